#pragma once

// Style sheets of the window's run buttons and of the companion's busy label.
namespace ButtonStyles
{
inline constexpr const char* Idle = "background-color: rgb(213, 245, 255);";
inline constexpr const char* Running = "background-color: rgb(255, 255, 128);";
inline constexpr const char* CompanionIdle = "background-color: rgb(211, 255, 241);";
inline constexpr const char* CompanionBusy = "background-color: rgb(255, 192, 192);";
} // namespace ButtonStyles
