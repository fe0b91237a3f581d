#include "framework/DataExchange.h"

#include <limits>

#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/Window.h"

namespace fw {

namespace {

bool English() { return ResourceLanguage() == kLangEnglish; }

// Blanks, an optional sign, decimal digits, blanks; false for anything else or a value outside [lo, hi].
bool ParseInteger(TextView text, bool allowMinus, long long lo, long long hi, long long& out) {
    size_t i = 0;
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (i < text.size() && blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        if (negative && !allowMinus) return false;
        ++i;
    }
    size_t digits = 0;
    long long value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        value = value * 10 + (text[i] - u'0');
        if (value > hi + 1 || value < 0) return false;  // cannot grow back into range
        ++i;
        ++digits;
    }
    while (i < text.size() && blank(text[i])) ++i;
    if (digits == 0 || i != text.size()) return false;
    if (negative) value = -value;
    if (value < lo || value > hi) return false;
    out = value;
    return true;
}

}  // namespace

void DataExchange::Fail(int id, TextView message) {
    PlainMessageBox(message, MB_ICONEXCLAMATION);
    m_window.GetDlgItem(id).SetFocus();
    throw Failure{};
}

void DataExchange::Text(int id, fw::Text& value) {
    fw::Control c = m_window.GetDlgItem(id);
    if (m_saving) {
        value = c.GetWindowText();
    } else {
        c.SetWindowText(value);
    }
}

void DataExchange::Int(int id, int& value) {
    fw::Control c = m_window.GetDlgItem(id);
    if (!m_saving) {
        c.SetWindowText(Format(u"%d", value));
        return;
    }
    long long parsed = 0;
    if (!ParseInteger(c.GetWindowText(), true, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                      parsed)) {
        Fail(id, English() ? u"Please enter an integer." : u"请输入一个整数。");
    }
    value = static_cast<int>(parsed);
}

void DataExchange::Unsigned(int id, unsigned& value) {
    fw::Control c = m_window.GetDlgItem(id);
    if (!m_saving) {
        c.SetWindowText(Format(u"%u", value));
        return;
    }
    long long parsed = 0;
    if (!ParseInteger(c.GetWindowText(), false, 0, std::numeric_limits<unsigned>::max(), parsed)) {
        Fail(id, English() ? u"Please enter a positive integer." : u"请输入一个正整数。");
    }
    value = static_cast<unsigned>(parsed);
}

void DataExchange::Check(int id, int& state) {
    fw::Control c = m_window.GetDlgItem(id);
    if (m_saving) {
        state = c.GetCheck();
    } else {
        c.SetCheck(state);
    }
}

void DataExchange::Check(int id, bool& checked) {
    int state = checked ? 1 : 0;
    Check(id, state);
    checked = state == 1;
}

void DataExchange::ComboIndex(int id, int& index) {
    fw::Control c = m_window.GetDlgItem(id);
    if (m_saving) {
        index = c.GetCurSel();
    } else {
        c.SetCurSel(index);
    }
}

void DataExchange::ComboText(int id, fw::Text& value) {
    fw::Control c = m_window.GetDlgItem(id);
    if (m_saving) {
        value = c.GetWindowText();
    } else if (c.SelectString(-1, value) < 0) {
        c.SetWindowText(value);
    }
}

void DataExchange::Radio(int firstId, int& index) {
    // The group: the radio buttons from firstId up to the next control that starts a group.
    std::vector<int> group;
    bool inGroup = false;
    for (const ControlState& s : m_window.Controls()) {
        if (!inGroup) {
            if (s.id == firstId) {
                inGroup = true;
                group.push_back(s.index);
            }
            continue;
        }
        if ((s.style & WS_GROUP) || s.kind != ControlKind::RadioButton) break;
        group.push_back(s.index);
    }
    if (m_saving) {
        index = -1;
        for (size_t i = 0; i < group.size(); ++i) {
            if (m_window.GetControl(group[i]).GetCheck() == 1) {
                index = static_cast<int>(i);
                break;
            }
        }
        return;
    }
    for (size_t i = 0; i < group.size(); ++i) {
        m_window.GetControl(group[i]).SetCheck(static_cast<int>(i) == index ? 1 : 0);
    }
}

void DataExchange::SliderPos(int id, int& position) {
    fw::Control c = m_window.GetDlgItem(id);
    if (m_saving) {
        position = c.GetPos();
    } else {
        c.SetPos(position);
    }
}

void DataExchange::Control(int id, fw::Control& control) { control = m_window.GetDlgItem(id); }

void DataExchange::MaxChars(int id, const fw::Text& value, int maxChars) {
    if (!m_saving) {
        m_window.GetDlgItem(id).SetLimitText(maxChars);
        return;
    }
    if (static_cast<int>(value.size()) > maxChars) {
        Fail(id, English() ? Format(u"Enter no more than %d characters.", maxChars)
                           : Format(u"请输入不超过 %d 个字符。", maxChars));
    }
}

void DataExchange::MinMaxInt(int id, int value, int minValue, int maxValue) {
    if (!m_saving || (value >= minValue && value <= maxValue)) return;
    Fail(id, English() ? Format(u"Please enter an integer between %d and %d.", minValue, maxValue)
                       : Format(u"请输入一个介于 %d 和 %d 之间的整数。", minValue, maxValue));
}

void DataExchange::MinMaxUnsigned(int id, unsigned value, unsigned minValue, unsigned maxValue) {
    if (!m_saving || (value >= minValue && value <= maxValue)) return;
    Fail(id, English() ? Format(u"Please enter an integer between %u and %u.", minValue, maxValue)
                       : Format(u"请输入一个介于 %u 和 %u 之间的整数。", minValue, maxValue));
}

}  // namespace fw
