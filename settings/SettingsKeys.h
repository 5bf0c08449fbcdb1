#pragma once
// Registry locations of the program.
namespace trek {

// HKEY_LOCAL_MACHINE: the one key holding every setting.
inline constexpr const char* kSettingsKey = "SOFTWARE\\Ostrafen\\Trekvane";
// HKEY_LOCAL_MACHINE: the start-screen item (the quotes belong to the name).
inline constexpr const char* kTodayItemKey = "\\Software\\Microsoft\\Today\\Items\\\"Trekvane\"";
// HKEY_CLASSES_ROOT: the tour file association.
inline constexpr const char* kTourAssociationKey = ".tur";

}  // namespace trek
