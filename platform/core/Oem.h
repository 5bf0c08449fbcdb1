#pragma once
// The device's OEM information string, by which device profiles and built-in
// folders recognise a model.
#include <string>

namespace trek::platform {

// SetOemInfo (--oem), else $TREKVANE_OEM, else /proc/device-tree/model, else
// /sys/class/dmi/id/product_name, else "". At most 260 bytes.
std::string OemInfo();
void SetOemInfo(std::string text);
void ClearOemInfoOverride();

}  // namespace trek::platform
