#pragma once
// The description language: small command scripts where each command is a
// command word followed by values. A value is a bare word or number, a quoted
// string, a list of values in parentheses, or the name of something defined
// earlier. DescParser reads a file through the file layer, cuts it into
// commands, turns each into a tree of data elements and hands it to the
// derived class's ExecuteCommand; the ValueTo conversions turn a value into text, a list or numbers, resolving
// defined names on the way.
//
// Not locked: one thread uses a parser at a time.

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Vorn {

class DataElement {
public:
    virtual ~DataElement() = default;
    // A deep copy.
    virtual std::unique_ptr<DataElement> Duplicate() const = 0;

    const bool mIsList;

protected:
    explicit DataElement(bool isList) : mIsList(isList) {}
    DataElement(const DataElement&) = default;
};

class SingleDataElement : public DataElement {
public:
    SingleDataElement() : DataElement(false) {}
    explicit SingleDataElement(std::string value) : DataElement(false), mString(std::move(value)) {}

    std::unique_ptr<DataElement> Duplicate() const override;

    // As the tokenizer made it: a quoted value keeps its quotes.
    std::string mString;
};

class ListDataElement : public DataElement {
public:
    ListDataElement() : DataElement(true) {}
    ListDataElement(const ListDataElement& other);
    // Deep; assigning a list to itself, or from a list it holds, is safe.
    ListDataElement& operator=(const ListDataElement& other);

    std::unique_ptr<DataElement> Duplicate() const override;

    std::vector<std::unique_ptr<DataElement>> mElementVector;
};

class DescParser {
public:
    // Bits of mCmdSep.
    static constexpr int kSeparateAtSemicolon = 1;
    static constexpr int kSeparateAtUnindentedLine = 2;
    // Lists nest at most this deep, a whole command counting as one level,
    // and a copy with names resolved holds at most kMaxCopyElements elements:
    // definitions built from themselves cannot grow without bound.
    static constexpr int kMaxListDepth = 64;
    static constexpr size_t kMaxCopyElements = 65536;

    DescParser() = default;
    virtual ~DescParser() = default;
    DescParser(const DescParser&) = delete;
    DescParser& operator=(const DescParser&) = delete;

    // Stores the text as the error text; false.
    virtual bool Error(const std::string& text);
    // The definition of the upper-cased name, or null.
    virtual DataElement* LookUpDefinition(const std::string& name);
    // One command: its first element is the command word.
    virtual bool ExecuteCommand(ListDataElement& params) = 0;

    // Reads and executes a whole file through the file layer. False at the
    // first failing command (the ones before it have taken effect), or with
    // an empty error text when the file cannot be opened.
    bool ReadDescriptorFile(const std::string& fileName);
    // Executes one command's text; an empty one does nothing.
    bool ParseDescriptionLine(const std::string& line);
    // Appends the values of `line` from `*position` (0 when null) to `list`.
    // With `nested` it stops after the ')' closing the list and leaves
    // `*position` there.
    bool SplitToList(const std::string& line, ListDataElement& list, bool nested, size_t* position);

    // True when the text begins with a digit, '-', '+' or a quote.
    static bool IsLiteralValue(const std::string& value);
    static std::string Unquote(const std::string& value);

    // A copy with quoted values unquoted and names replaced by their
    // definitions. `dest` may be `source` itself.
    bool CopyValueList(const ListDataElement& source, ListDataElement& dest);
    // "(a, (b, c))": for error texts.
    static std::string ElementToString(const DataElement* element);
    bool ValueToString(const DataElement* element, std::string& value);
    bool ValueToStringVector(const DataElement* element, std::vector<std::string>& values);
    bool ValueToList(const DataElement* element, ListDataElement& list);
    bool ValueToIntVector(const DataElement* element, std::vector<int>& values);
    bool ValueToDoubleVector(const DataElement* element, std::vector<double>& values);

protected:
    // The reading of ReadDescriptorFile, from text.
    bool ReadDescriptorText(const std::string& text);

    int mCmdSep = kSeparateAtSemicolon;
    std::string mError;
    // Line of the first character of the command being executed, from 1; 0
    // outside of reading a file.
    int mCurrentLineNum = 0;
    // The text of the command being executed.
    std::string mCurrentLine;
    // Keyed by the upper-cased name.
    std::map<std::string, std::unique_ptr<DataElement>> mDefineMap;

private:
    template <typename NextChar>
    bool ReadCommands(NextChar nextChar);
    bool SplitToListAt(const std::string& line, ListDataElement& list, int depth, size_t& position);
    bool CopyValueListAt(const ListDataElement& source, ListDataElement& dest, int depth, size_t& elements);
};

} // namespace Vorn
