#pragma once
// Identifiers shared by the resource script and the code.
#define TESSARIN_ICON 1

inline constexpr int kIconResource = TESSARIN_ICON;
