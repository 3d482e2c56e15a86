// Parsing throughput from memory, reported in bytes per second: a resource
// manifest and a font descriptor as the game reads them at start-up, scaled
// up so that one pass takes long enough to time.

#include "framework/app/StringUtils.h"
#include "framework/resources/DescParser.h"
#include "framework/resources/XMLParser.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

constexpr int kRecords = 4000;

std::string MakeManifest()
{
    std::string text = "<?xml version=\"1.0\"?>\n<!-- generated -->\n<ResourceManifest>\n";
    for (int group = 0; group < kRecords / 100; ++group) {
        text += Vorn::FormatString("  <Resources id=\"Group%d\">\n    <SetDefaults path=\"images\" idprefix=\"IMAGE_\"/>\n", group);
        for (int i = 0; i < 100; ++i)
            text += Vorn::FormatString(
                "    <Image id=\"BALL_%d\" path=\"balls/ball%d.png\" rows=\"4\" cols=\"8\" anim=\"loop\" "
                "framedelay=\"5\" alphacolor=\"FF00FF\" nopal />\n", i, i);
        text += "  </Resources>\n";
    }
    return text + "</ResourceManifest>\n";
}

std::string MakeDescriptor()
{
    std::string text = "# generated\nDefine Chars ('a', 'b', 'c', 'd');\nCreateLayer Main;\n";
    for (int i = 0; i < kRecords; ++i)
        text += Vorn::FormatString(
            "Define Rects%d ((%d, 0, 12, 16), (%d, 0, 9, 16), (%d, 16, 11, 16), (%d, 16, 10, 16));\n"
            "LayerSetImageMap Main Chars Rects%d;\nLayerSetCharWidths Main Chars (12, 9, 11, 10);\n",
            i, i, i + 12, i + 21, i + 32, i);
    return text;
}

// Defines names as font descriptors do and converts every other command's
// values, so the conversions are part of the measure.
class BenchParser : public Vorn::DescParser {
public:
    bool Read(const std::string& text) { return ReadDescriptorText(text); }

    bool ExecuteCommand(Vorn::ListDataElement& params) override
    {
        const auto& values = params.mElementVector;
        if (Vorn::DescParser::ElementToString(values[0].get()) == "Define" && values.size() == 3) {
            auto list = std::make_unique<Vorn::ListDataElement>();
            if (!ValueToList(values[2].get(), *list))
                return false;
            mDefineMap[Vorn::StringToUpper(ElementToString(values[1].get()))] = std::move(list);
            return true;
        }
        for (size_t i = 1; i < values.size(); ++i) {
            Vorn::ListDataElement list;
            mConverted += ValueToList(values[i].get(), list) ? list.mElementVector.size() : 1;
        }
        return true;
    }

    size_t mConverted = 0;
};

void BM_XMLParseManifest(benchmark::State& state)
{
    const std::string text = MakeManifest();
    for (auto _ : state) {
        Vorn::XMLParser parser;
        parser.OpenBuffer(text);
        Vorn::XMLItem item;
        int64_t items = 0;
        while (parser.ReadNextItem(item))
            ++items;
        if (parser.HasFailed())
            state.SkipWithError("manifest failed");
        benchmark::DoNotOptimize(items);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_XMLParseManifest)->Unit(benchmark::kMillisecond);

void BM_DescParseFontDescriptor(benchmark::State& state)
{
    const std::string text = MakeDescriptor();
    for (auto _ : state) {
        BenchParser parser;
        if (!parser.Read(text))
            state.SkipWithError("descriptor failed");
        benchmark::DoNotOptimize(parser.mConverted);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DescParseFontDescriptor)->Unit(benchmark::kMillisecond);

} // namespace
