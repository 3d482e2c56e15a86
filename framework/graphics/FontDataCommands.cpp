// The commands of the font descriptor language.

#include "framework/graphics/FontData.h"

#include "framework/app/PathUtils.h"
#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/graphics/FontMath.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>

namespace Vorn {

namespace {

using FontMath::ClampToInt;

// The system's own spelling.
const std::string kBadParameter = "Invalid Paramater Type";
const std::string kSizeMismatch = "List Size Mismatch";

// Values counted with the command word.
const std::map<std::string, size_t> kValueCounts = {
    {"DEFINE", 3}, {"CREATEHORZSPANRECTLIST", 4}, {"SETDEFAULTPOINTSIZE", 2}, {"SETCHARMAP", 3},
    {"CREATELAYER", 2}, {"CREATELAYERFROM", 3}, {"LAYERREQUIRETAGS", 3}, {"LAYEREXCLUDETAGS", 3},
    {"LAYERPOINTRANGE", 4}, {"LAYERSETPOINTSIZE", 3}, {"LAYERSETHEIGHT", 3}, {"LAYERSETIMAGE", 3},
    {"LAYERSETDRAWMODE", 3}, {"LAYERSETCOLORMULT", 3}, {"LAYERSETCOLORADD", 3}, {"LAYERSETASCENT", 3},
    {"LAYERSETASCENTPADDING", 3}, {"LAYERSETLINESPACINGOFFSET", 3}, {"LAYERSETOFFSET", 3},
    {"LAYERSETCHARWIDTHS", 4}, {"LAYERSETSPACING", 3}, {"LAYERSETIMAGEMAP", 4}, {"LAYERSETCHAROFFSETS", 4},
    {"LAYERSETKERNINGPAIRS", 4}, {"LAYERSETBASEORDER", 3}, {"LAYERSETCHARORDERS", 4}};

// The layer fields that one integer sets.
const std::map<std::string, int GlyphLayer::*> kIntFields = {{"LAYERSETPOINTSIZE", &GlyphLayer::mPointSize},
    {"LAYERSETHEIGHT", &GlyphLayer::mHeight}, {"LAYERSETASCENT", &GlyphLayer::mAscent},
    {"LAYERSETASCENTPADDING", &GlyphLayer::mAscentPadding},
    {"LAYERSETLINESPACINGOFFSET", &GlyphLayer::mLineSpacingOffset}, {"LAYERSETSPACING", &GlyphLayer::mSpacing},
    {"LAYERSETBASEORDER", &GlyphLayer::mBaseOrder}, {"LAYERSETDRAWMODE", &GlyphLayer::mDrawMode}};

const std::string& TextOf(const DataElement& element)
{
    return static_cast<const SingleDataElement&>(element).mString;
}

// A single value, upper-cased.
bool NameArg(const DataElement* element, std::string& name)
{
    if (element->mIsList)
        return false;
    name = StringToUpper(TextOf(*element));
    return true;
}

// A single value's own text as a number: names are not looked up.
bool IntArg(const DataElement* element, int& value)
{
    return !element->mIsList && StringToInt(TextOf(*element), value);
}

// A colour-list number (0 to 1) as a channel. Not held to 0..255, so that a
// multiplier above 1 still brightens; only to what the colour arithmetic can
// take.
int ListChannel(double value)
{
    constexpr double kLimit = 65535.0;
    const double scaled = value * 255.0;
    if (!(scaled > -kLimit))
        return scaled < 0 ? -static_cast<int>(kLimit) : 0;
    return static_cast<int>(std::min(scaled, kLimit));
}

} // namespace

bool FontData::IntListsArg(const DataElement* element, std::vector<std::vector<int>>& lists)
{
    ListDataElement list;
    if (!ValueToList(element, list))
        return false;
    lists.clear();
    for (const auto& item : list.mElementVector) {
        std::vector<int>& values = lists.emplace_back();
        if (!item->mIsList || !ValueToIntVector(item.get(), values))
            values.clear();
    }
    return true;
}

bool FontData::ColorArg(const DataElement* element, Color& color)
{
    int packed = 0;
    if (IntArg(element, packed)) {
        color = Color(static_cast<uint32_t>(packed));
        return true;
    }
    std::vector<double> values;
    if (!ValueToDoubleVector(element, values) || values.size() < 4)
        return false;
    color = Color(ListChannel(values[0]), ListChannel(values[1]), ListChannel(values[2]), ListChannel(values[3]));
    return true;
}

bool FontData::GetLayerFromDataElement(const DataElement* element, GlyphLayer*& layer)
{
    if (element->mIsList)
        return false;
    const auto found = mFontLayerMap.find(StringToUpper(TextOf(*element)));
    if (found == mFontLayerMap.end())
        return Error("Undefined Layer");
    layer = found->second;
    return true;
}

bool FontData::ExecuteCommand(ListDataElement& params)
{
    const auto& values = params.mElementVector;
    const auto count = values.empty() || values[0]->mIsList ? kValueCounts.end()
                                                           : kValueCounts.find(StringToUpper(TextOf(*values[0])));
    if (count == kValueCounts.end())
        return Error("Unknown Command");
    if (values.size() != count->second)
        return Error("Invalid Number of Parameters");
    const std::string& command = count->first;

    if (command == "DEFINE")
        return DefineCommand(params);
    if (command == "CREATEHORZSPANRECTLIST")
        return CreateHorzSpanRectList(params);
    if (command == "SETDEFAULTPOINTSIZE")
        return IntArg(values[1].get(), mDefaultPointSize) || Error(kBadParameter);
    if (command == "SETCHARMAP")
        return SetCharMap(params);
    if (command == "CREATELAYER" || command == "CREATELAYERFROM")
        return CreateLayer(params, command == "CREATELAYERFROM");
    return LayerCommand(command, params);
}

bool FontData::DefineCommand(const ListDataElement& params)
{
    const auto& values = params.mElementVector;
    std::string name;
    if (!NameArg(values[1].get(), name) || IsLiteralValue(name))
        return Error(kBadParameter);
    std::unique_ptr<DataElement> value;
    if (values[2]->mIsList) {
        auto list = std::make_unique<ListDataElement>();
        if (!CopyValueList(static_cast<const ListDataElement&>(*values[2]), *list))
            return false;
        value = std::move(list);
    } else {
        const DataElement* named = LookUpDefinition(TextOf(*values[2]));
        value = (named ? named : values[2].get())->Duplicate();
    }
    mDefineMap[name] = std::move(value);
    return true;
}

bool FontData::CreateHorzSpanRectList(const ListDataElement& params)
{
    const auto& values = params.mElementVector;
    std::string name;
    std::vector<int> rect;
    std::vector<int> widths;
    if (!NameArg(values[1].get(), name) || !ValueToIntVector(values[2].get(), rect) || rect.size() != 4 ||
        !ValueToIntVector(values[3].get(), widths))
        return Error(kBadParameter);
    auto list = std::make_unique<ListDataElement>();
    int64_t x = rect[0];
    for (const int width : widths) {
        auto item = std::make_unique<ListDataElement>();
        for (const int number : {ClampToInt(x), rect[1], width, rect[3]})
            item->mElementVector.push_back(std::make_unique<SingleDataElement>(FormatString("%d", number)));
        list->mElementVector.push_back(std::move(item));
        x += width;
    }
    mDefineMap[name] = std::move(list);
    return true;
}

bool FontData::SetCharMap(const ListDataElement& params)
{
    const auto& values = params.mElementVector;
    std::vector<std::string> from;
    std::vector<std::string> to;
    if (!ValueToStringVector(values[1].get(), from) || !ValueToStringVector(values[2].get(), to))
        return Error(kBadParameter);
    const auto single = [](const std::string& text) { return text.size() == 1; };
    const bool allSingle = std::all_of(from.begin(), from.end(), single) && std::all_of(to.begin(), to.end(), single);
    if (from.size() != to.size())
        return Error(allSingle ? kSizeMismatch : kBadParameter);
    for (size_t i = 0; i < from.size(); ++i) {
        if (single(from[i]) && single(to[i]))
            mCharMap[static_cast<unsigned char>(from[i][0])] = static_cast<unsigned char>(to[i][0]);
    }
    return allSingle || Error(kBadParameter);
}

// A name registered twice is reported, and the new layer dropped: it could
// not be reached by its name, yet would draw.
bool FontData::CreateLayer(const ListDataElement& params, bool copied)
{
    const auto& values = params.mElementVector;
    std::string name;
    if (!NameArg(values[1].get(), name))
        return Error(kBadParameter);
    GlyphLayer* source = nullptr;
    if (copied && !GetLayerFromDataElement(values[2].get(), source))
        return Error(kBadParameter);
    if (mFontLayerMap.contains(name)) {
        Error("Layer Already Exists");
        return true;
    }
    mFontLayerMap[name] = &mFontLayerList.emplace_back(source ? *source : GlyphLayer());
    return true;
}

bool FontData::LayerCommand(const std::string& command, const ListDataElement& params)
{
    const auto& values = params.mElementVector;
    GlyphLayer* layer = nullptr;
    if (!GetLayerFromDataElement(values[1].get(), layer))
        return Error(kBadParameter);
    const DataElement* value = values[2].get();

    if (command == "LAYERSETIMAGE")
        return LayerSetImage(*layer, value);
    if (command == "LAYERSETIMAGEMAP")
        return LayerSetImageMap(*layer, value, values[3].get());
    if (command == "LAYERSETCHARWIDTHS" || command == "LAYERSETCHAROFFSETS" || command == "LAYERSETCHARORDERS" ||
        command == "LAYERSETKERNINGPAIRS")
        return LayerPerCharCommand(command, *layer, value, values[3].get());
    if (command == "LAYERREQUIRETAGS" || command == "LAYEREXCLUDETAGS") {
        std::vector<std::string> tags;
        if (!ValueToStringVector(value, tags))
            return Error(kBadParameter);
        auto& list = command == "LAYERREQUIRETAGS" ? layer->mRequiredTags : layer->mExcludedTags;
        for (const std::string& tag : tags)
            list.push_back(StringToUpper(tag));
        return true;
    }
    if (command == "LAYERSETCOLORMULT" || command == "LAYERSETCOLORADD") {
        Color color;
        if (!ColorArg(value, color))
            return Error(kBadParameter);
        (command == "LAYERSETCOLORMULT" ? layer->mColorMult : layer->mColorAdd) = color;
        return true;
    }
    if (command == "LAYERSETOFFSET") {
        std::vector<int> offset;
        if (!ValueToIntVector(value, offset) || offset.size() != 2)
            return Error(kBadParameter);
        layer->mOffsetX = offset[0];
        layer->mOffsetY = offset[1];
        return true;
    }
    if (command == "LAYERPOINTRANGE") {
        int low = 0;
        int high = 0;
        if (!IntArg(value, low) || !IntArg(values[3].get(), high))
            return Error(kBadParameter);
        layer->mMinPointSize = low;
        layer->mMaxPointSize = high;
        return true;
    }
    int number = 0;
    if (!IntArg(value, number) || (command == "LAYERSETDRAWMODE" && number != 0 && number != 1))
        return Error(kBadParameter);
    layer->*kIntFields.at(command) = number;
    return true;
}

bool FontData::LayerSetImage(GlyphLayer& layer, const DataElement* file)
{
    std::string name;
    if (!ValueToString(file, name))
        return Error(kBadParameter);
    if (!mApp)
        return Error("Failed to Load Image");
    ImageRef image;
    bool isNew = false;
    mApp->FindOrCreatePooledImage(image, ResolvePath(name, GetFileDir(mSourceFile)), "", &isNew);
    if (!image.GetImage()) {
        // A new entry must not be found empty by the next request for it.
        if (isNew)
            mApp->DiscardPooledImage(image);
        return Error("Failed to Load Image");
    }
    if (isNew)
        image.GetImage()->ReduceToPalette();
    layer.mImage = std::move(image);
    return true;
}

bool FontData::LayerSetImageMap(GlyphLayer& layer, const DataElement* chars, const DataElement* rects)
{
    const MemoryImage* image = layer.mImage.GetImage();
    if (!image)
        return Error("Layer image not set");
    std::vector<std::string> characters;
    std::vector<std::vector<int>> rectangles;
    if (!ValueToStringVector(chars, characters) || !IntListsArg(rects, rectangles))
        return Error(kBadParameter);
    const auto oneCharacter = [](const std::string& text) { return text.size() == 1; };
    const auto isRectangle = [](const std::vector<int>& numbers) { return numbers.size() == 4; };
    const bool allGood = std::all_of(characters.begin(), characters.end(), oneCharacter) &&
                         std::all_of(rectangles.begin(), rectangles.end(), isRectangle);
    if (characters.size() != rectangles.size())
        return Error(allGood ? kSizeMismatch : kBadParameter);

    for (size_t i = 0; i < characters.size(); ++i) {
        if (!oneCharacter(characters[i]) || !isRectangle(rectangles[i]))
            continue;
        const std::vector<int>& r = rectangles[i];
        if (r[0] < 0 || r[1] < 0 || int64_t{r[0]} + r[2] > image->mWidth || int64_t{r[1]} + r[3] > image->mHeight)
            return Error("Image rectangle out of bounds");
        // A negative size is kept as 0: the glyph draws nothing.
        layer.mCharData[static_cast<unsigned char>(characters[i][0])].mImageRect =
            Rect(r[0], r[1], std::max(r[2], 0), std::max(r[3], 0));
    }
    int64_t tallest = 0;
    for (const GlyphInfo& glyph : layer.mCharData)
        tallest = std::max(tallest, int64_t{glyph.mImageRect.mHeight} + glyph.mOffsetY);
    layer.mDefaultHeight = ClampToInt(tallest);
    return allGood || Error(kBadParameter);
}

bool FontData::LayerPerCharCommand(const std::string& command, GlyphLayer& layer, const DataElement* chars,
    const DataElement* values)
{
    const bool pairs = command == "LAYERSETKERNINGPAIRS";
    const bool offsets = command == "LAYERSETCHAROFFSETS";
    std::vector<std::string> characters;
    std::vector<int> numbers;
    std::vector<std::vector<int>> points;
    if (!ValueToStringVector(chars, characters) ||
        !(offsets ? IntListsArg(values, points) : ValueToIntVector(values, numbers)))
        return Error(kBadParameter);
    const size_t valueCount = offsets ? points.size() : numbers.size();
    const auto goodCharacters = [pairs](const std::string& text) { return text.size() == (pairs ? 2u : 1u); };
    const auto goodPoint = [](const std::vector<int>& point) { return point.size() == 2; };
    const bool allGood = std::all_of(characters.begin(), characters.end(), goodCharacters) &&
                         std::all_of(points.begin(), points.end(), goodPoint);
    if (characters.size() != valueCount)
        return Error(allGood ? kSizeMismatch : kBadParameter);

    for (size_t i = 0; i < characters.size(); ++i) {
        if (!goodCharacters(characters[i]) || (offsets && !goodPoint(points[i])))
            continue;
        GlyphInfo& glyph = layer.mCharData[static_cast<unsigned char>(characters[i][0])];
        if (pairs) {
            // Only the low 8 bits are kept, signed.
            glyph.mKerningOffsets[static_cast<unsigned char>(characters[i][1])] =
                static_cast<int8_t>(static_cast<uint8_t>(numbers[i]));
        } else if (offsets) {
            glyph.mOffsetX = points[i][0];
            glyph.mOffsetY = points[i][1];
        } else {
            (command == "LAYERSETCHARWIDTHS" ? glyph.mWidth : glyph.mOrder) = numbers[i];
        }
    }
    return allGood || Error(kBadParameter);
}

} // namespace Vorn
