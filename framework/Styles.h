// Style bits, standard ids and message numbers of the dialog model. Resource scripts name the style bits
// symbolically; the values are the classic ones so that numeric styles written in a script mean what their
// author expects.
#pragma once

#include <cstdint>

namespace fw {

// Standard command and button ids (also the answers of a message box).
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDC_STATIC = -1;

// Window styles.
inline constexpr uint32_t WS_OVERLAPPED = 0x00000000;
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;

inline constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr uint32_t WS_EX_TRANSPARENT = 0x00000020;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr uint32_t WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr uint32_t WS_EX_CONTEXTHELP = 0x00000400;
inline constexpr uint32_t WS_EX_STATICEDGE = 0x00020000;
inline constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;

// Dialog styles.
inline constexpr uint32_t DS_SETFONT = 0x0040;
inline constexpr uint32_t DS_MODALFRAME = 0x0080;
inline constexpr uint32_t DS_SETFOREGROUND = 0x0200;
inline constexpr uint32_t DS_3DLOOK = 0x0004;
inline constexpr uint32_t DS_FIXEDSYS = 0x0008;
inline constexpr uint32_t DS_CONTROL = 0x0400;
inline constexpr uint32_t DS_CENTER = 0x0800;
inline constexpr uint32_t DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

// Buttons: the low four bits are the button type.
inline constexpr uint32_t BS_TYPEMASK = 0x000F;
inline constexpr uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr uint32_t BS_CHECKBOX = 0x0002;
inline constexpr uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr uint32_t BS_RADIOBUTTON = 0x0004;
inline constexpr uint32_t BS_3STATE = 0x0005;
inline constexpr uint32_t BS_AUTO3STATE = 0x0006;
inline constexpr uint32_t BS_GROUPBOX = 0x0007;
inline constexpr uint32_t BS_AUTORADIOBUTTON = 0x0009;
inline constexpr uint32_t BS_LEFTTEXT = 0x0020;
inline constexpr uint32_t BS_ICON = 0x0040;
inline constexpr uint32_t BS_BITMAP = 0x0080;
inline constexpr uint32_t BS_LEFT = 0x0100;
inline constexpr uint32_t BS_RIGHT = 0x0200;
inline constexpr uint32_t BS_CENTER = 0x0300;
inline constexpr uint32_t BS_TOP = 0x0400;
inline constexpr uint32_t BS_BOTTOM = 0x0800;
inline constexpr uint32_t BS_VCENTER = 0x0C00;
inline constexpr uint32_t BS_PUSHLIKE = 0x1000;
inline constexpr uint32_t BS_MULTILINE = 0x2000;
inline constexpr uint32_t BS_FLAT = 0x8000;

// Statics: the low five bits are the static type.
inline constexpr uint32_t SS_TYPEMASK = 0x001F;
inline constexpr uint32_t SS_LEFT = 0x0000;
inline constexpr uint32_t SS_CENTER = 0x0001;
inline constexpr uint32_t SS_RIGHT = 0x0002;
inline constexpr uint32_t SS_ICON = 0x0003;
inline constexpr uint32_t SS_BLACKRECT = 0x0004;
inline constexpr uint32_t SS_GRAYRECT = 0x0005;
inline constexpr uint32_t SS_WHITERECT = 0x0006;
inline constexpr uint32_t SS_BLACKFRAME = 0x0007;
inline constexpr uint32_t SS_GRAYFRAME = 0x0008;
inline constexpr uint32_t SS_WHITEFRAME = 0x0009;
inline constexpr uint32_t SS_LEFTNOWORDWRAP = 0x000C;
inline constexpr uint32_t SS_BITMAP = 0x000E;
inline constexpr uint32_t SS_ETCHEDHORZ = 0x0010;
inline constexpr uint32_t SS_ETCHEDVERT = 0x0011;
inline constexpr uint32_t SS_ETCHEDFRAME = 0x0012;
inline constexpr uint32_t SS_NOPREFIX = 0x0080;
inline constexpr uint32_t SS_NOTIFY = 0x0100;
inline constexpr uint32_t SS_CENTERIMAGE = 0x0200;
inline constexpr uint32_t SS_REALSIZEIMAGE = 0x0800;
inline constexpr uint32_t SS_SUNKEN = 0x1000;

// Edits.
inline constexpr uint32_t ES_LEFT = 0x0000;
inline constexpr uint32_t ES_CENTER = 0x0001;
inline constexpr uint32_t ES_RIGHT = 0x0002;
inline constexpr uint32_t ES_MULTILINE = 0x0004;
inline constexpr uint32_t ES_UPPERCASE = 0x0008;
inline constexpr uint32_t ES_LOWERCASE = 0x0010;
inline constexpr uint32_t ES_PASSWORD = 0x0020;
inline constexpr uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t ES_NOHIDESEL = 0x0100;
inline constexpr uint32_t ES_READONLY = 0x0800;
inline constexpr uint32_t ES_WANTRETURN = 0x1000;
inline constexpr uint32_t ES_NUMBER = 0x2000;

// Combo boxes: the low two bits are the kind.
inline constexpr uint32_t CBS_TYPEMASK = 0x0003;
inline constexpr uint32_t CBS_SIMPLE = 0x0001;
inline constexpr uint32_t CBS_DROPDOWN = 0x0002;
inline constexpr uint32_t CBS_DROPDOWNLIST = 0x0003;
inline constexpr uint32_t CBS_AUTOHSCROLL = 0x0040;
inline constexpr uint32_t CBS_SORT = 0x0100;
inline constexpr uint32_t CBS_HASSTRINGS = 0x0200;
inline constexpr uint32_t CBS_NOINTEGRALHEIGHT = 0x0400;

// List boxes.
inline constexpr uint32_t LBS_NOTIFY = 0x0001;
inline constexpr uint32_t LBS_SORT = 0x0002;
inline constexpr uint32_t LBS_MULTIPLESEL = 0x0008;
inline constexpr uint32_t LBS_HASSTRINGS = 0x0040;
inline constexpr uint32_t LBS_NOINTEGRALHEIGHT = 0x0100;
inline constexpr uint32_t LBS_EXTENDEDSEL = 0x0800;

// List views.
inline constexpr uint32_t LVS_TYPEMASK = 0x0003;
inline constexpr uint32_t LVS_ICON = 0x0000;
inline constexpr uint32_t LVS_REPORT = 0x0001;
inline constexpr uint32_t LVS_SMALLICON = 0x0002;
inline constexpr uint32_t LVS_LIST = 0x0003;
inline constexpr uint32_t LVS_SINGLESEL = 0x0004;
inline constexpr uint32_t LVS_SHOWSELALWAYS = 0x0008;
inline constexpr uint32_t LVS_ALIGNLEFT = 0x0800;
inline constexpr uint32_t LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr uint32_t LVS_NOSORTHEADER = 0x8000;
// Extended list-view styles, set at run time.
inline constexpr uint32_t LVS_EX_GRIDLINES = 0x0001;
inline constexpr uint32_t LVS_EX_CHECKBOXES = 0x0004;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x0020;

// Progress bars and sliders.
inline constexpr uint32_t PBS_SMOOTH = 0x01;
inline constexpr uint32_t PBS_VERTICAL = 0x04;
inline constexpr uint32_t TBS_AUTOTICKS = 0x0001;
inline constexpr uint32_t TBS_VERT = 0x0002;
inline constexpr uint32_t TBS_HORZ = 0x0000;
inline constexpr uint32_t TBS_TOP = 0x0004;
inline constexpr uint32_t TBS_BOTH = 0x0008;
inline constexpr uint32_t TBS_NOTICKS = 0x0010;

// Tabs.
inline constexpr uint32_t TCS_BOTTOM = 0x0002;
inline constexpr uint32_t TCS_MULTILINE = 0x0200;

// Status bars.
inline constexpr uint32_t SBARS_SIZEGRIP = 0x0100;

// Message boxes: buttons in the low four bits, then the icon, then the default button.
inline constexpr uint32_t MB_OK = 0x00000000;
inline constexpr uint32_t MB_OKCANCEL = 0x00000001;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr uint32_t MB_YESNOCANCEL = 0x00000003;
inline constexpr uint32_t MB_YESNO = 0x00000004;
inline constexpr uint32_t MB_RETRYCANCEL = 0x00000005;
inline constexpr uint32_t MB_TYPEMASK = 0x0000000F;
inline constexpr uint32_t MB_ICONHAND = 0x00000010;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
inline constexpr uint32_t MB_ICONQUESTION = 0x00000020;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x00000030;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONASTERISK = 0x00000040;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0x000000F0;
inline constexpr uint32_t MB_DEFBUTTON1 = 0x00000000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x00000100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x00000200;
inline constexpr uint32_t MB_DEFMASK = 0x00000F00;
inline constexpr uint32_t MB_APPLMODAL = 0x00000000;
inline constexpr uint32_t MB_SYSTEMMODAL = 0x00001000;
inline constexpr uint32_t MB_TASKMODAL = 0x00002000;
inline constexpr uint32_t MB_SETFOREGROUND = 0x00010000;
inline constexpr uint32_t MB_TOPMOST = 0x00040000;

// Menu item flags as a resource script writes them.
inline constexpr uint32_t MF_GRAYED = 0x0001;
inline constexpr uint32_t MF_DISABLED = 0x0002;
inline constexpr uint32_t MF_CHECKED = 0x0008;
inline constexpr uint32_t MF_POPUP = 0x0010;
inline constexpr uint32_t MF_MENUBARBREAK = 0x0020;
inline constexpr uint32_t MF_MENUBREAK = 0x0040;
inline constexpr uint32_t MF_SEPARATOR = 0x0800;
inline constexpr uint32_t MF_HELP = 0x4000;

// System commands (the low four bits are the system's own and are masked off before comparing).
inline constexpr unsigned SC_SIZE = 0xF000;
inline constexpr unsigned SC_MOVE = 0xF010;
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_MAXIMIZE = 0xF030;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;

}  // namespace fw
