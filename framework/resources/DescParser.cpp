#include "framework/resources/DescParser.h"

#include "framework/app/StringUtils.h"
#include "framework/resources/PakInterface.h"

#include <algorithm>

namespace Vorn {

namespace {

bool IsQuote(char c)
{
    return c == '\'' || c == '"';
}

const std::string& TextOf(const DataElement& element)
{
    return static_cast<const SingleDataElement&>(element).mString;
}

const ListDataElement& ListOf(const DataElement& element)
{
    return static_cast<const ListDataElement&>(element);
}

struct Extent {
    // Levels of lists: 0 for a single value.
    int depth = 0;
    size_t elements = 0;
};

Extent Measure(const DataElement& element)
{
    Extent extent{0, 1};
    if (!element.mIsList)
        return extent;
    for (const auto& child : ListOf(element).mElementVector) {
        const Extent inner = Measure(*child);
        extent.depth = std::max(extent.depth, inner.depth);
        extent.elements += inner.elements;
    }
    ++extent.depth;
    return extent;
}

std::string DereferenceError(const std::string& name)
{
    return "Unable to Dereference \"" + name + "\"";
}

} // namespace

std::unique_ptr<DataElement> SingleDataElement::Duplicate() const
{
    return std::make_unique<SingleDataElement>(mString);
}

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(true)
{
    mElementVector.reserve(other.mElementVector.size());
    for (const auto& element : other.mElementVector)
        mElementVector.push_back(element->Duplicate());
}

ListDataElement& ListDataElement::operator=(const ListDataElement& other)
{
    // Copied before anything is released: `other` may be this list or one of
    // the lists it holds.
    ListDataElement copy(other);
    mElementVector.swap(copy.mElementVector);
    return *this;
}

std::unique_ptr<DataElement> ListDataElement::Duplicate() const
{
    return std::make_unique<ListDataElement>(*this);
}

bool DescParser::Error(const std::string& text)
{
    mError = text;
    return false;
}

DataElement* DescParser::LookUpDefinition(const std::string& name)
{
    const auto found = mDefineMap.find(StringToUpper(name));
    return found == mDefineMap.end() ? nullptr : found->second.get();
}

// `nextChar` gives the next byte 0..255, or a negative number at the end.
template <typename NextChar>
bool DescParser::ReadCommands(NextChar nextChar)
{
    bool inSingle = false;
    bool inDouble = false;
    bool escaped = false;
    bool lineStart = true;
    bool comment = false;
    bool indented = false;
    int lineCounter = 0;
    int heldBack = -1;

    const auto add = [&](char c) {
        if (mCurrentLine.empty())
            mCurrentLineNum = lineCounter + 1;
        mCurrentLine += c;
    };
    const auto execute = [&]() {
        const bool ok = mCurrentLine.empty() || ParseDescriptionLine(mCurrentLine);
        mCurrentLine.clear();
        inSingle = inDouble = escaped = comment = indented = false;
        lineStart = true;
        return ok;
    };

    mCurrentLine.clear();
    bool ok = true;
    for (;;) {
        int c = heldBack;
        heldBack = -1;
        if (c < 0) {
            c = nextChar();
            if (c < 0)
                break;
        }
        if (c == '\r')
            continue;
        // Quotes stay open over a line end, so this applies inside a string
        // that runs on to the next line too.
        if (lineStart) {
            if (c == ' ' || c == '\t') {
                indented = true;
                continue;
            }
            if (c == '\n') {
                ++lineCounter;
                continue;
            }
            lineStart = false;
            if ((mCmdSep & kSeparateAtUnindentedLine) && !indented && !mCurrentLine.empty()) {
                heldBack = c;
                ok = execute();
                if (!ok)
                    break;
                continue;
            }
            if (c == '#') {
                comment = true;
                continue;
            }
        }
        if (c == '\n') {
            ++lineCounter;
            lineStart = true;
            indented = false;
            if (comment)
                comment = false;
            else
                add('\n');
            continue;
        }
        if (comment)
            continue;
        // The backslash stays with the escaped character for the tokenizer:
        // an escaped quote neither opens nor closes a string here.
        if (escaped) {
            add('\\');
            add(static_cast<char>(c));
            escaped = false;
            continue;
        }
        const bool quoted = inSingle || inDouble;
        if (c == '\\' && quoted) {
            escaped = true;
            continue;
        }
        if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == ';' && !quoted && (mCmdSep & kSeparateAtSemicolon)) {
            ok = execute();
            if (!ok)
                break;
            continue;
        }
        add(static_cast<char>(c));
    }
    if (ok)
        ok = execute();
    mCurrentLine.clear();
    mCurrentLineNum = 0;
    return ok;
}

bool DescParser::ReadDescriptorFile(const std::string& fileName)
{
    mCurrentLineNum = 0;
    mError.clear();
    const std::unique_ptr<PakFileHandle, int (*)(PakFileHandle*)> file(PakFOpen(fileName.c_str(), "r"), &PakFClose);
    if (!file)
        return false;
    return ReadCommands([&]() { return PakFGetC(file.get()); });
}

bool DescParser::ReadDescriptorText(const std::string& text)
{
    mCurrentLineNum = 0;
    mError.clear();
    size_t next = 0;
    return ReadCommands([&]() { return next < text.size() ? static_cast<unsigned char>(text[next++]) : -1; });
}

bool DescParser::ParseDescriptionLine(const std::string& line)
{
    ListDataElement list;
    size_t position = 0;
    if (!SplitToListAt(line, list, 1, position))
        return false;
    if (list.mElementVector.empty())
        return true;
    if (list.mElementVector.front()->mIsList)
        return Error("Missing Command");
    return ExecuteCommand(list);
}

bool DescParser::SplitToList(const std::string& line, ListDataElement& list, bool nested, size_t* position)
{
    size_t at = position ? *position : 0;
    const bool ok = SplitToListAt(line, list, nested ? 2 : 1, at);
    if (position)
        *position = at;
    return ok;
}

// `depth` is the level of `list`: 1 for a whole command.
bool DescParser::SplitToListAt(const std::string& line, ListDataElement& list, int depth, size_t& position)
{
    const bool nested = depth > 1;
    bool inSingle = false;
    bool inDouble = false;
    bool escaped = false;
    SingleDataElement* value = nullptr;
    const auto add = [&](char c) {
        if (!value) {
            auto element = std::make_unique<SingleDataElement>();
            value = element.get();
            list.mElementVector.push_back(std::move(element));
        }
        value->mString += c;
    };

    while (position < line.size()) {
        const char c = line[position++];
        if (escaped) {
            // Inside a quoted value the backslash stays for Unquote, which
            // must tell an escaped quote from the closing one.
            if ((inSingle || inDouble) && IsQuote(value->mString[0]))
                add('\\');
            add(c);
            escaped = false;
            continue;
        }
        if (c == '\\') {
            escaped = true;
            continue;
        }
        if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
            add(c);
            continue;
        }
        if (c == '"' && !inSingle) {
            inDouble = !inDouble;
            add(c);
            continue;
        }
        if (inSingle || inDouble) {
            add(c);
            continue;
        }
        if (c == ')') {
            if (nested)
                return true;
            return Error("Unexpected List End");
        }
        if (c == '(') {
            if (value)
                return Error("Unexpected List Start");
            if (depth >= kMaxListDepth)
                return Error("List Nesting Too Deep");
            auto inner = std::make_unique<ListDataElement>();
            if (!SplitToListAt(line, *inner, depth + 1, position))
                return false;
            list.mElementVector.push_back(std::move(inner));
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == ',') {
            value = nullptr;
            continue;
        }
        add(c);
    }
    if (inSingle)
        return Error("Unterminated Single Quotes");
    if (inDouble)
        return Error("Unterminated Double Quotes");
    if (nested)
        return Error("Unterminated List");
    return true;
}

bool DescParser::IsLiteralValue(const std::string& value)
{
    if (value.empty())
        return false;
    const char c = value[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || IsQuote(c);
}

// After the opening quote, a run of n quotes gives n - 1 of them (so '' inside
// is one quote and the closing quote vanishes), and a backslash keeps the
// character after it as it is.
std::string DescParser::Unquote(const std::string& value)
{
    if (value.empty() || !IsQuote(value[0]))
        return value;
    const char quote = value[0];
    std::string result;
    bool inRun = false;
    for (size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            result += value[++i];
            inRun = false;
        } else if (c == quote) {
            if (inRun)
                result += c;
            inRun = true;
        } else {
            result += c;
            inRun = false;
        }
    }
    return result;
}

bool DescParser::CopyValueList(const ListDataElement& source, ListDataElement& dest)
{
    size_t elements = 0;
    return CopyValueListAt(source, dest, 1, elements);
}

// `depth` is the level of `dest`; `elements` counts what the whole copy holds.
// `dest` changes only on success.
bool DescParser::CopyValueListAt(const ListDataElement& source, ListDataElement& dest, int depth, size_t& elements)
{
    ListDataElement copy;
    for (const auto& element : source.mElementVector) {
        if (element->mIsList) {
            if (depth >= kMaxListDepth)
                return Error("List Nesting Too Deep");
            auto inner = std::make_unique<ListDataElement>();
            if (!CopyValueListAt(ListOf(*element), *inner, depth + 1, elements))
                return false;
            copy.mElementVector.push_back(std::move(inner));
            ++elements;
        } else {
            const std::string& text = TextOf(*element);
            if (text.empty())
                continue;
            if (IsQuote(text[0])) {
                copy.mElementVector.push_back(std::make_unique<SingleDataElement>(Unquote(text)));
                ++elements;
            } else if (IsLiteralValue(text)) {
                copy.mElementVector.push_back(element->Duplicate());
                ++elements;
            } else {
                const DataElement* definition = LookUpDefinition(text);
                if (!definition)
                    return Error(DereferenceError(text));
                const Extent extent = Measure(*definition);
                if (depth + extent.depth > kMaxListDepth)
                    return Error("List Nesting Too Deep");
                if (elements + extent.elements > kMaxCopyElements)
                    return Error("List Too Large");
                copy.mElementVector.push_back(definition->Duplicate());
                elements += extent.elements;
            }
        }
        if (elements > kMaxCopyElements)
            return Error("List Too Large");
    }
    dest.mElementVector.swap(copy.mElementVector);
    return true;
}

std::string DescParser::ElementToString(const DataElement* element)
{
    if (!element)
        return {};
    if (!element->mIsList)
        return TextOf(*element);
    std::string text = "(";
    const auto& elements = ListOf(*element).mElementVector;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += ElementToString(elements[i].get());
    }
    return text + ")";
}

bool DescParser::ValueToString(const DataElement* element, std::string& value)
{
    value.clear();
    if (!element || element->mIsList)
        return false;
    const DataElement* definition = LookUpDefinition(TextOf(*element));
    if (!definition) {
        value = Unquote(TextOf(*element));
        return true;
    }
    if (definition->mIsList)
        return false;
    value = Unquote(TextOf(*definition));
    return true;
}

bool DescParser::ValueToStringVector(const DataElement* element, std::vector<std::string>& values)
{
    values.clear();
    if (!element)
        return false;
    ListDataElement copy;
    const ListDataElement* list = &copy;
    if (element->mIsList) {
        if (!CopyValueList(ListOf(*element), copy))
            return false;
    } else {
        const DataElement* definition = LookUpDefinition(TextOf(*element));
        if (!definition)
            return Error(DereferenceError(TextOf(*element)));
        if (!definition->mIsList)
            return false;
        list = &ListOf(*definition);
    }
    for (const auto& item : list->mElementVector) {
        if (item->mIsList) {
            values.clear();
            return false;
        }
        values.push_back(TextOf(*item));
    }
    return true;
}

bool DescParser::ValueToList(const DataElement* element, ListDataElement& list)
{
    if (!element)
        return false;
    if (element->mIsList)
        return CopyValueList(ListOf(*element), list);
    const DataElement* definition = LookUpDefinition(TextOf(*element));
    if (!definition || !definition->mIsList)
        return false;
    list = ListOf(*definition);
    return true;
}

bool DescParser::ValueToIntVector(const DataElement* element, std::vector<int>& values)
{
    values.clear();
    std::vector<std::string> texts;
    if (!ValueToStringVector(element, texts))
        return false;
    for (const std::string& text : texts) {
        int number = 0;
        if (!StringToInt(text, number))
            return false;
        values.push_back(number);
    }
    return true;
}

bool DescParser::ValueToDoubleVector(const DataElement* element, std::vector<double>& values)
{
    values.clear();
    std::vector<std::string> texts;
    if (!ValueToStringVector(element, texts))
        return false;
    for (const std::string& text : texts) {
        double number = 0.0;
        if (!StringToDouble(text, number))
            return false;
        values.push_back(number);
    }
    return true;
}

} // namespace Vorn
