#pragma once
// Modal message boxes: OK, OK/Cancel, Yes/No with caption and text. With a
// display they are dialogs of the kit; headless, the box is said on stderr and
// answered at once, by the script's "answer" or by its default button.
#include <cstdint>
#include <string>

namespace trek::platform {

class WindowSystem;

// type: MB_OK, MB_OKCANCEL or MB_YESNO, plus MB_DEFBUTTON2 and icon/topmost bits.
// Returns IDOK, IDCANCEL, IDYES or IDNO.
int ShowMessageBox(WindowSystem& system, const std::string& text, const std::string& caption, uint32_t type);

}  // namespace trek::platform
