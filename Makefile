# The two commands a player or a developer needs on a fresh Debian 12 machine:
#   make run    installs what is missing, builds and starts the game
#   make test   installs what is missing, builds and runs every test, then
#               again under AddressSanitizer + UndefinedBehaviorSanitizer, the
#               test binaries that start threads under ThreadSanitizer, and
#               the fuzz targets (built with clang)

PACKAGES := g++ cmake make pkg-config \
	libsdl2-dev libode-dev libpng-dev zlib1g-dev libjpeg-dev libvorbisidec-dev \
	libopenjp2-7-dev libfreetype-dev libfontconfig-dev libmpg123-dev libopenmpt-dev libpixman-1-dev libdw-dev \
	libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth libx11-dev libxtst-dev fonts-dejavu-core xfonts-base \
	libcairo2-dev libvorbis-dev libogg-dev libmp3lame-dev clang libclang-rt-14-dev

JOBS  ?= $(shell nproc)
BUILD ?= build
ASAN  ?= build-asan
TSAN  ?= build-tsan
FUZZ  ?= build-fuzz
FUZZ_SECONDS ?= 10
# Each target's sources are compiled in batches, up to 16 files to a
# translation unit: the headers and templates they share are compiled once a
# batch rather than once a file.
UNITY := -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16

.PHONY: all deps build build-asan build-tsan run test test-normal test-asan test-tsan test-fuzz bench clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  $$sudo apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(UNITY)
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DZARQUEL_SANITIZE=ON -DZARQUEL_BENCH=OFF $(UNITY)
	cmake --build $(ASAN) -j $(JOBS)

build-tsan: deps
	cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=Debug -DZARQUEL_TSAN=ON -DZARQUEL_BENCH=OFF $(UNITY)
	cmake --build $(TSAN) -j $(JOBS) --target thread_tests

run: build
	cd $(BUILD)/game && ./zarquel

test-normal: build
	ctest --test-dir $(BUILD) --output-on-failure --timeout 120 -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN) --output-on-failure --timeout 300 -j $(JOBS)

# Each test binary that starts threads as one process; any race report fails it.
test-tsan: build-tsan
	TSAN_OPTIONS=second_deadlock_stack=1 \
	  ctest --test-dir $(TSAN) --output-on-failure --timeout 900 -j $(JOBS)

# The file readers' fuzz targets, when clang and its fuzzing runtime are here,
# as many side by side as there are cores, each for FUZZ_SECONDS of its own.
# A sanitizer report stops a target and fails the step; the canary shows that
# it does.
test-fuzz: deps
	@if printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' | \
	    clang++ -x c++ -fsanitize=fuzzer - -o /tmp/zarquel-fuzz-probe 2>/dev/null; then \
	  cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DZARQUEL_FUZZ=ON -DZARQUEL_TESTS=OFF -DZARQUEL_BENCH=OFF $(UNITY) && \
	  cmake --build $(FUZZ) -j $(JOBS) --target fuzz_targets && \
	  printf x >$(FUZZ)/canary.in && \
	  if $(FUZZ)/tests/fuzz/UndefinedBehaviourCanary $(FUZZ)/canary.in >$(FUZZ)/canary.log 2>&1 || \
	     ! grep -q 'runtime error' $(FUZZ)/canary.log; then \
	    echo "The fuzz build lets undefined behaviour pass"; exit 1; \
	  fi && \
	  ls $(FUZZ)/tests/fuzz/*Fuzz | xargs -P $(JOBS) -I{} sh -c ' \
	    name=$$(basename {}); corpus=$(FUZZ)/corpus/$$name; mkdir -p $$corpus; \
	    echo "Fuzzing $$name for $(FUZZ_SECONDS) s"; \
	    {} -seed=1 -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -print_final_stats=0 $$corpus 2>$(FUZZ)/$$name.log || \
	      { tail -n 40 $(FUZZ)/$$name.log; exit 1; }'; \
	else \
	  echo "clang++ with libFuzzer not found: fuzz targets skipped"; \
	fi

test: test-normal test-asan test-tsan test-fuzz

bench: build
	$(BUILD)/bench/zarquel_bench

clean:
	rm -rf $(BUILD) $(ASAN) $(TSAN) $(FUZZ)
