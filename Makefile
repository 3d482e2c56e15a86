# The two commands a player or a developer needs on a fresh Debian 12 machine:
#   make run    installs what is missing, builds and starts the game
#   make test   installs what is missing, builds and runs every test,
#               then again under AddressSanitizer + UndefinedBehaviorSanitizer

PACKAGES := g++ cmake make pkg-config \
	libsdl2-dev libode-dev libpng-dev zlib1g-dev libjpeg-dev libvorbisidec-dev \
	libopenjp2-7-dev libfreetype-dev libfontconfig-dev libmpg123-dev libpixman-1-dev \
	libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core

JOBS  ?= $(shell nproc)
BUILD ?= build
ASAN  ?= build-asan

.PHONY: all deps build build-asan run test test-normal test-asan bench clean

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
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DZARQUEL_SANITIZE=ON -DZARQUEL_BENCH=OFF
	cmake --build $(ASAN) -j $(JOBS)

run: build
	cd $(BUILD)/game && ./zarquel

test-normal: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

test: test-normal test-asan

bench: build
	$(BUILD)/bench/zarquel_bench

clean:
	rm -rf $(BUILD) $(ASAN)
