// Data exchange between a dialog's members and its controls, in one direction at a time: loading writes the
// members into the controls, saving reads the controls into the members and validates. A value the user typed
// wrongly is reported with a message box, the control gets the focus and the exchange stops there (members after
// it keep their values).
//
//   void CExampleDlg::DoDataExchange(fw::DataExchange& dx) {
//       dx.Text(IDC_NAME, m_name);
//       dx.Int(IDC_COUNT, m_count);
//       dx.Check(IDC_ENABLE, m_enabled);
//       dx.Radio(IDC_MODE_FIRST, m_mode);
//   }
#pragma once

#include "framework/Control.h"
#include "framework/Text.h"

namespace fw {

class Window;

class DataExchange {
public:
    struct Failure {};

    DataExchange(Window& window, bool saveAndValidate) : m_window(window), m_saving(saveAndValidate) {}

    bool IsSaving() const { return m_saving; }
    Window& GetWindow() const { return m_window; }

    void Text(int id, fw::Text& value);
    // Decimal integers; blanks around the number are allowed, anything else (or a value out of range) is refused.
    void Int(int id, int& value);
    void Unsigned(int id, unsigned& value);
    void Check(int id, int& state);
    void Check(int id, bool& checked);
    void ComboIndex(int id, int& index);
    // Saving takes the combo's text; loading selects the first entry starting with the value, or sets the text.
    void ComboText(int id, fw::Text& value);
    // The radio buttons of the group starting at firstId: the index of the checked one, -1 when none is.
    void Radio(int firstId, int& index);
    void SliderPos(int id, int& position);
    // Binds a control member to the control (both directions).
    void Control(int id, fw::Control& control);

    // Validation while saving.
    void MaxChars(int id, const fw::Text& value, int maxChars);
    void MinMaxInt(int id, int value, int minValue, int maxValue);
    void MinMaxUnsigned(int id, unsigned value, unsigned minValue, unsigned maxValue);

    // Tells the user, puts the focus on the control and stops the exchange.
    [[noreturn]] void Fail(int id, TextView message);

private:
    Window& m_window;
    bool m_saving;
};

}  // namespace fw
