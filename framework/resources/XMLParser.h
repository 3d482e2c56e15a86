#pragma once
// A small, forgiving XML tokenizer: it reads a document through the file layer
// and hands it out one item at a time (start tags with their attributes, end tags, character data and
// processing instructions) and drops comments. It checks only that end tags
// match their start tags: no document type, no CDATA, no character references.
//
// Input is 8-bit (no byte-order mark), UTF-8 (EF BB BF) or UTF-16 (FF FE or
// FE FF), read into 16-bit characters. Names and texts handed out hold the low
// byte of each character; attribute names and values are converted to
// Windows-1252 text as a whole.
//
// Not locked: one thread uses a parser at a time.

#include "framework/resources/PakInterface.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Vorn {

struct XMLItem {
    enum Type : int {
        kNone = 0,
        kStartTag = 1,
        kEndTag = 2,
        kText = 3,
        kInstruction = 4,
        // Only while a comment is read: comments are never handed out.
        kComment = 5,
    };

    Type mType = kNone;
    // The tag name, the text, or the instruction's target.
    std::string mValue;
    // The rest of an instruction after its target, from the first white
    // space on.
    std::string mBody;
    // A name given twice keeps its last value.
    std::map<std::string, std::string> mAttributes;
};

class XMLParser {
public:
    XMLParser();
    virtual ~XMLParser();
    XMLParser(const XMLParser&) = delete;
    XMLParser& operator=(const XMLParser&) = delete;

    // Closes any open document first. On failure the line number is 0.
    bool OpenFile(const std::string& fileName);
    // Reads the document held in `text`, as if it were a file's bytes; the
    // file name becomes empty.
    void OpenBuffer(const std::string& text);

    // True with a complete item. False at the end of the input, or on an error
    // (HasFailed then tells which). Reading on after a failure is harmless but
    // meaningless: callers stop.
    bool ReadNextItem(XMLItem& item);

    bool HasFailed() const { return mHasFailed; }
    std::string GetErrorText() const { return mErrorText; }
    // The line being read, from 1; that of the failure after one.
    int GetLineNumber() const { return mLineNum; }
    std::string GetFileName() const { return mFileName; }

private:
    enum class Reader { Byte, Utf8, Utf16 };
    enum class Step { Continue, Finish, Fail };
    struct ItemState;

    void Fail(const std::string& text);
    void Init();
    void CloseInput();
    void ChooseReader();

    // Each gives true with a character; false at the end of the input, with
    // `illegal` telling an undecodable sequence from a plain end.
    bool ReadByteChar(char16_t& c, bool& illegal);
    bool ReadUtf8Char(char16_t& c, bool& illegal);
    bool ReadUtf16Char(char16_t& c, bool& illegal);
    bool ReadChar(char16_t& c, bool& illegal);

    // The rules of one character of the item being read.
    Step TakeChar(XMLItem& item, ItemState& s, char16_t c);
    Step TakeOrdinaryChar(XMLItem& item, ItemState& s, char16_t c);
    Step FinishStartTag(XMLItem& item, ItemState& s);
    Step FinishEndTag(const XMLItem& item);
    static void StartTagChar(XMLItem& item, ItemState& s, char16_t c);
    static void CommitAttribute(XMLItem& item, ItemState& s);

    // The next byte, or -1 at the end of the input.
    int GetByte();
    // Two bytes, the first in the low half; false when fewer than two are left.
    bool GetUnit(char16_t& unit);

    std::string mFileName;
    std::string mErrorText;
    int mLineNum = 0;
    bool mHasFailed = false;
    // Characters to read again, the next one last.
    std::vector<char16_t> mPending;
    // Names of the open elements, outermost first, joined by '/'.
    std::string mSection;
    Reader mReader = Reader::Utf8;
    bool mFirstChar = false;
    bool mByteSwap = false;

    // The input: an open file, else the text of OpenBuffer while mHasText.
    std::unique_ptr<PakFileHandle, int (*)(PakFileHandle*)> mFile{nullptr, &PakFClose};
    bool mHasText = false;
    std::string mText;
    size_t mTextPos = 0;
};

} // namespace Vorn
