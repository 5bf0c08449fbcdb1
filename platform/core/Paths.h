#pragma once
// Where things live. The handheld's file system is a device root folder: a
// path beginning with "\" ("\trekvane.reg", "\Storage Card\Trekvane") maps
// below it, a path beginning with "/" is native. MapPath is the one function
// that does the mapping.
#include <string>
#include <string_view>

namespace trek::platform {

// Device root: SetDeviceRoot (--root), else $TREKVANE_ROOT, else
// $XDG_DATA_HOME/trekvane, else ~/.local/share/trekvane. No trailing "/".
std::string DeviceRoot();
void SetDeviceRoot(std::string dir);  // "" returns to the default
// The default data folder (the device root unless overridden).
std::string DataFolder();

// "\a\b" -> <root>/a/b; "/x/y" unchanged; a relative path gets "/" for "\".
std::string MapPath(std::string_view devicePath);
// The inverse for paths below the device root ("<root>/a/b" -> "\a\b");
// other paths are returned unchanged.
std::string ToDevicePath(std::string_view nativePath);
// Joins a device folder and a name with one "\" between them.
std::string JoinDevicePath(std::string_view folder, std::string_view name);

// The folder holding the running executable (language modules live there).
std::string ProgramFolder();

// The registry file: SetRegistryFile (--registry), else $TREKVANE_REGISTRY,
// else $XDG_CONFIG_HOME/trekvane/registry.reg, else ~/.config/trekvane/registry.reg.
std::string RegistryFile();
void SetRegistryFile(std::string file);

}  // namespace trek::platform
