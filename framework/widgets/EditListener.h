#pragma once
// What an edit field reports to its owner under the field's id, and the
// questions it asks before it takes a key, a character or a new text. The
// reports do nothing and the questions answer yes by default.

#include <string>

namespace Vorn {

class EditListener {
public:
    // Enter was pressed.
    virtual void EditWidgetText(int id, const std::string& text);
    virtual bool AllowKey(int id, int keyCode);
    // For each typed or pasted character.
    virtual bool AllowChar(int id, char c);
    // After each change of the text.
    virtual bool AllowText(int id, const std::string& text);

protected:
    // Never deleted through the interface.
    ~EditListener() = default;
};

} // namespace Vorn
