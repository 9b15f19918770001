#pragma once
// Every text the operator reads on the status lines and the action button, and
// the lines' positions: the status display starts with some, the upgrade shows
// the rest.

inline constexpr char kTurnOnText[] = "Please turn on DSO now.";
inline constexpr char kBlankLine2[] = "                             ";  // 29 spaces
inline constexpr int kBlankLine2Length = 29;
static_assert(sizeof kBlankLine2 - 1 == kBlankLine2Length);
inline constexpr char kBlankLine1[] = "                         ";  // 25 spaces
inline constexpr int kBlankLine1Length = 25;
static_assert(sizeof kBlankLine1 - 1 == kBlankLine1Length);
inline constexpr char kProbeTimeOutText[] = "Time Out!  Check RS232 & Re-press 'YES' key!";
inline constexpr char kStartText[] = "Start !";
inline constexpr char kCommandTimeOutText[] = "Time1 Out!,Run again ";
inline constexpr char kUpgradingText[] = "Upgrading!   (It takes about 180 sec.) ";
inline constexpr char kNextUnitText[] = "Press 'Next' to upgrade the next DSO.";
inline constexpr char kCompleteText[] = "Upgrade complete!";
inline constexpr char kTurnOffText[] = "Please turn off DSO and press 'YES' key!";
inline constexpr char kPortFailedText[] = "Port Error!  Check COM port & Re-press 'YES' key!";
inline constexpr char kInterruptedText[] = "Upgrade interrupted!";
inline constexpr char kTransferFailedText[] = "Upgrade failed!  Check RS232 & Re-press 'YES' key!";
inline constexpr char kNextCaption[] = "NEXT";
inline constexpr char kYesCaption[] = "YES";

inline constexpr int kLine1Y = 0;
inline constexpr int kLine2Y = 20;
