#include "framework/resources/XMLParser.h"

#include "framework/app/StringUtils.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace Vorn {

// Everything ReadNextItem keeps between the characters of one item.
struct XMLParser::ItemState {
    bool pendingBlank = false;
    bool inQuotes = false;
    bool quoteClosed = false;
    bool nameDone = false;
    bool afterEquals = false;
    // The last character taken into the attribute was a '/' outside quotes:
    // right before '>' it marks an empty element and is not part of the
    // attribute. A '/' inside quotes is always the value's own.
    bool slashLast = false;
    std::u16string attrName;
    std::u16string attrValue;
};

namespace {

// What a character above FFFF becomes: 16-bit characters cannot hold it.
constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr uint32_t kLastCodePoint = 0x10FFFF;

// Tested on the low byte, as the tokenizer always has: names and texts keep
// only that byte anyway.
bool IsWhiteSpaceByte(char16_t c)
{
    const unsigned char b = static_cast<unsigned char>(c & 0xFF);
    return b == ' ' || (b >= '\t' && b <= '\r');
}

bool IsWhiteSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

char LowByte(char16_t c)
{
    return static_cast<char>(c & 0xFF);
}

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

XMLParser::XMLParser() = default;

XMLParser::~XMLParser() = default;

bool XMLParser::OpenFile(const std::string& fileName)
{
    CloseInput();
    mFile.reset(PakFOpen(fileName.c_str(), "r"));
    if (!mFile) {
        mLineNum = 0;
        Fail("Unable to open file " + fileName);
        return false;
    }
    ChooseReader();
    mFileName = fileName;
    Init();
    return true;
}

void XMLParser::OpenBuffer(const std::string& text)
{
    CloseInput();
    mText = text;
    mHasText = true;
    ChooseReader();
    mFileName.clear();
    Init();
}

void XMLParser::Init()
{
    mSection.clear();
    mPending.clear();
    mLineNum = 1;
    mHasFailed = false;
    mErrorText.clear();
    mFirstChar = true;
    mByteSwap = false;
}

// Characters still pending belong to the document being closed.
void XMLParser::CloseInput()
{
    mPending.clear();
    mFile.reset();
    mHasText = false;
    mText.clear();
    mTextPos = 0;
}

void XMLParser::Fail(const std::string& text)
{
    mHasFailed = true;
    mErrorText = text;
}

// The mark stays in the input: the UTF-8 and UTF-16 readers drop it.
void XMLParser::ChooseReader()
{
    int bytes[3] = {-1, -1, -1};
    for (int& b : bytes)
        b = GetByte();
    if ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))
        mReader = Reader::Utf16;
    else if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        mReader = Reader::Utf8;
    else
        mReader = Reader::Byte;
    if (mFile)
        PakFSeek(mFile.get(), 0, SEEK_SET);
    mTextPos = 0;
}

int XMLParser::GetByte()
{
    if (mFile)
        return PakFGetC(mFile.get());
    if (!mHasText || mTextPos >= mText.size())
        return -1;
    return static_cast<unsigned char>(mText[mTextPos++]);
}

// Read as a block, never byte by byte: a text-mode file drops every byte 13,
// which in UTF-16 is half of many characters.
bool XMLParser::GetUnit(char16_t& unit)
{
    unsigned char bytes[2] = {0, 0};
    if (mFile) {
        if (PakFRead(bytes, 1, 2, mFile.get()) != 2)
            return false;
    } else {
        if (!mHasText || mText.size() - mTextPos < 2)
            return false;
        bytes[0] = static_cast<unsigned char>(mText[mTextPos]);
        bytes[1] = static_cast<unsigned char>(mText[mTextPos + 1]);
        mTextPos += 2;
    }
    unit = static_cast<char16_t>(bytes[0] | (bytes[1] << 8));
    return true;
}

bool XMLParser::ReadByteChar(char16_t& c, bool& illegal)
{
    illegal = false;
    const int b = GetByte();
    if (b < 0)
        return false;
    c = static_cast<char16_t>(b);
    return true;
}

bool XMLParser::ReadUtf8Char(char16_t& c, bool& illegal)
{
    for (;;) {
        illegal = false;
        const int lead = GetByte();
        if (lead < 0)
            return false;
        illegal = true;
        uint32_t codePoint = 0;
        int following = 0;
        if (lead < 0x80) {
            codePoint = static_cast<uint32_t>(lead);
        } else if ((lead & 0xE0) == 0xC0) {
            if (lead < 0xC2)
                return false;
            codePoint = static_cast<uint32_t>(lead & 0x1F);
            following = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            codePoint = static_cast<uint32_t>(lead & 0x0F);
            following = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            codePoint = static_cast<uint32_t>(lead & 0x07);
            following = 3;
        } else {
            // Stray continuation bytes, and the five-byte and longer forms,
            // which no Unicode character has.
            return false;
        }
        for (int i = 0; i < following; ++i) {
            const int next = GetByte();
            if (next < 0 || (next & 0xC0) != 0x80)
                return false;
            if (i == 0 && ((lead == 0xE0 && next < 0xA0) || (lead == 0xF0 && next < 0x90)))
                return false;
            codePoint = codePoint * 64 + static_cast<uint32_t>(next & 0x3F);
        }
        if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint == 0xFFFE || codePoint == 0xFFFF ||
            codePoint > kLastCodePoint)
            return false;
        // A character above FFFF is one character all the same, which a
        // 16-bit character can only stand in for.
        if (codePoint > 0xFFFF)
            codePoint = kReplacementCharacter;
        illegal = false;
        if (codePoint == 0xFEFF && mFirstChar) {
            mFirstChar = false;
            continue;
        }
        c = static_cast<char16_t>(codePoint);
        return true;
    }
}

bool XMLParser::ReadUtf16Char(char16_t& c, bool& illegal)
{
    for (;;) {
        illegal = false;
        char16_t unit = 0;
        if (!GetUnit(unit))
            return false;
        if (mFirstChar) {
            mFirstChar = false;
            if (unit == 0xFEFF || unit == 0xFFFE) {
                mByteSwap = unit == 0xFFFE;
                continue;
            }
        }
        if (mByteSwap)
            unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
        // High halves D800-DBFF, low halves DC00-DFFF: a lone half is broken
        // text; a whole pair is one character above FFFF, which a 16-bit
        // character can only stand in for (as in UTF-8 input).
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            illegal = true;
            return false;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            char16_t low = 0;
            illegal = true;
            if (!GetUnit(low))
                return false;
            if (mByteSwap)
                low = static_cast<char16_t>((low >> 8) | (low << 8));
            if (low < 0xDC00 || low > 0xDFFF)
                return false;
            illegal = false;
            unit = kReplacementCharacter;
        }
        c = unit;
        return true;
    }
}

bool XMLParser::ReadChar(char16_t& c, bool& illegal)
{
    switch (mReader) {
    case Reader::Byte:
        return ReadByteChar(c, illegal);
    case Reader::Utf8:
        return ReadUtf8Char(c, illegal);
    case Reader::Utf16:
        return ReadUtf16Char(c, illegal);
    }
    illegal = false;
    return false;
}

bool XMLParser::ReadNextItem(XMLItem& item)
{
    for (;;) {
        item = XMLItem{};
        ItemState s;
        Step step = Step::Continue;
        while (step == Step::Continue) {
            char16_t c = 0;
            if (!mPending.empty()) {
                c = mPending.back();
                mPending.pop_back();
            } else {
                bool illegal = false;
                if (!ReadChar(c, illegal)) {
                    if (illegal)
                        Fail("Illegal Character");
                    if (item.mType != XMLItem::kNone)
                        Fail("Unexpected End of File");
                    return false;
                }
                if (c == u'\n')
                    ++mLineNum;
            }
            step = TakeChar(item, s, c);
        }
        if (step == Step::Fail)
            return false;
        item.mValue = DecodeXMLEntities(item.mValue);
        if (item.mType != XMLItem::kComment)
            return true;
    }
}

XMLParser::Step XMLParser::TakeChar(XMLItem& item, ItemState& s, char16_t c)
{
    if (item.mType == XMLItem::kComment) {
        item.mBody += LowByte(c);
        if (c == u'>' && EndsWith(item.mBody, "-->")) {
            item.mBody.resize(item.mBody.size() - 3);
            return Step::Finish;
        }
        return Step::Continue;
    }
    if (item.mType == XMLItem::kInstruction) {
        std::string& text = item.mBody.empty() && !IsWhiteSpace(c) ? item.mValue : item.mBody;
        text += LowByte(c);
        if (c == u'>' && text.size() >= 2 && text[text.size() - 2] == '?') {
            text.resize(text.size() - 2);
            return Step::Finish;
        }
        return Step::Continue;
    }
    if (c == u'"') {
        s.inQuotes = !s.inQuotes;
        if (!s.inQuotes)
            s.quoteClosed = true;
        const bool isText = item.mType == XMLItem::kNone || item.mType == XMLItem::kText;
        return isText ? TakeOrdinaryChar(item, s, c) : Step::Continue;
    }
    if (s.inQuotes)
        return TakeOrdinaryChar(item, s, c);

    if (c == u'<') {
        if (item.mType == XMLItem::kText) {
            mPending.push_back(c);
            return Step::Finish;
        }
        if (item.mType == XMLItem::kNone) {
            item.mType = XMLItem::kStartTag;
            return Step::Continue;
        }
        Fail("Unexpected '<'");
        return Step::Fail;
    }
    if (c == u'>') {
        if (item.mType == XMLItem::kStartTag)
            return FinishStartTag(item, s);
        if (item.mType == XMLItem::kEndTag)
            return FinishEndTag(item);
        Fail("Unexpected '>'");
        return Step::Fail;
    }
    if (item.mType == XMLItem::kStartTag && item.mValue.empty()) {
        if (c == u'/') {
            item.mType = XMLItem::kEndTag;
            return Step::Continue;
        }
        if (c == u'?') {
            item.mType = XMLItem::kInstruction;
            return Step::Continue;
        }
    }
    if (IsWhiteSpaceByte(c)) {
        if (!item.mValue.empty())
            s.pendingBlank = true;
        // A comment needs white space after its "<!--".
        if (item.mType == XMLItem::kStartTag && item.mValue == "!--")
            item.mType = XMLItem::kComment;
        return Step::Continue;
    }
    if (c < 32) {
        Fail("Illegal Character");
        return Step::Fail;
    }
    return TakeOrdinaryChar(item, s, c);
}

XMLParser::Step XMLParser::TakeOrdinaryChar(XMLItem& item, ItemState& s, char16_t c)
{
    if (item.mType == XMLItem::kNone)
        item.mType = XMLItem::kText;
    if (item.mType == XMLItem::kStartTag) {
        StartTagChar(item, s, c);
        return Step::Continue;
    }
    if (s.pendingBlank) {
        item.mValue += ' ';
        s.pendingBlank = false;
    }
    item.mValue += LowByte(c);
    return Step::Continue;
}

void XMLParser::StartTagChar(XMLItem& item, ItemState& s, char16_t c)
{
    // An '=' inside quotes is part of the value, not a second '='.
    const bool equals = c == u'=' && !s.inQuotes;
    if (s.pendingBlank) {
        if (!s.nameDone) {
            s.nameDone = true;
            s.afterEquals = false;
        } else if (!s.afterEquals) {
            if (!equals)
                CommitAttribute(item, s);
        } else if (!s.attrValue.empty() || s.quoteClosed) {
            CommitAttribute(item, s);
        }
        s.pendingBlank = false;
    }

    if (!s.nameDone) {
        item.mValue += LowByte(c);
    } else if (equals) {
        s.afterEquals = true;
        s.quoteClosed = false;
        s.slashLast = false;
    } else {
        (s.afterEquals ? s.attrValue : s.attrName) += c;
        s.slashLast = c == u'/' && !s.inQuotes;
    }
}

// Decoded once, here: a value such as "&amp;lt;" stays "&lt;".
void XMLParser::CommitAttribute(XMLItem& item, ItemState& s)
{
    const std::string name = WStringToString(DecodeXMLEntitiesW(s.attrName));
    item.mAttributes[name] = WStringToString(DecodeXMLEntitiesW(s.attrValue));
    s.attrName.clear();
    s.attrValue.clear();
    s.slashLast = false;
    s.afterEquals = false;
}

XMLParser::Step XMLParser::FinishStartTag(XMLItem& item, ItemState& s)
{
    bool empty = false;
    if (s.attrName == u"/") {
        empty = true;
    } else if (!s.attrName.empty()) {
        if (s.slashLast) {
            (s.afterEquals ? s.attrValue : s.attrName).pop_back();
            empty = true;
        }
        CommitAttribute(item, s);
    } else if (!item.mValue.empty() && item.mValue.back() == '/') {
        item.mValue.pop_back();
        empty = true;
    }

    if (empty) {
        // Read next, so the caller sees the element close like any other.
        const std::string endTag = "</" + item.mValue + ">";
        for (auto it = endTag.rbegin(); it != endTag.rend(); ++it)
            mPending.push_back(static_cast<unsigned char>(*it));
    }
    if (!mSection.empty())
        mSection += '/';
    mSection += item.mValue;
    return Step::Finish;
}

XMLParser::Step XMLParser::FinishEndTag(const XMLItem& item)
{
    if (mSection.empty()) {
        Fail("Unexpected End");
        return Step::Fail;
    }
    const size_t slash = mSection.rfind('/');
    const size_t lastStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string last = mSection.substr(lastStart);
    if (last != item.mValue) {
        Fail("End '" + item.mValue + "' Doesn't Match Start '" + last + "'");
        return Step::Fail;
    }
    mSection.erase(slash == std::string::npos ? 0 : slash);
    return Step::Finish;
}

} // namespace Vorn
