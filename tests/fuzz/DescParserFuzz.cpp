// libFuzzer target: any bytes, read as a description script from memory with
// both ways of separating commands. Each command defines names the way font
// descriptors do and runs every conversion on its values, so definitions
// built from themselves are exercised too.

#include "framework/resources/DescParser.h"

#include "framework/app/StringUtils.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

class FuzzParser : public Vorn::DescParser {
public:
    explicit FuzzParser(int separation) { mCmdSep = separation; }

    bool Run(const std::string& text) { return ReadDescriptorText(text); }

    bool ExecuteCommand(Vorn::ListDataElement& params) override
    {
        const auto& values = params.mElementVector;
        if (values.size() == 3 && !values[1]->mIsList) {
            std::unique_ptr<Vorn::DataElement> value;
            if (values[2]->mIsList) {
                auto list = std::make_unique<Vorn::ListDataElement>();
                if (!CopyValueList(static_cast<const Vorn::ListDataElement&>(*values[2]), *list))
                    return false;
                value = std::move(list);
            } else {
                const Vorn::DataElement* named = LookUpDefinition(ElementToString(values[2].get()));
                value = (named ? named : values[2].get())->Duplicate();
            }
            mDefineMap[Vorn::StringToUpper(ElementToString(values[1].get()))] = std::move(value);
        }
        for (const auto& value : values) {
            std::string text;
            std::vector<std::string> strings;
            std::vector<int> ints;
            std::vector<double> doubles;
            Vorn::ListDataElement list;
            ValueToString(value.get(), text);
            ValueToStringVector(value.get(), strings);
            ValueToIntVector(value.get(), ints);
            ValueToDoubleVector(value.get(), doubles);
            ValueToList(value.get(), list);
            ElementToString(value.get());
        }
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const int separation : {Vorn::DescParser::kSeparateAtSemicolon, Vorn::DescParser::kSeparateAtUnindentedLine}) {
        FuzzParser parser(separation);
        parser.Run(text);
    }
    return 0;
}
