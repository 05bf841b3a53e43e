// The process-wide command line and the tests made on it. Every switch is found by a plain,
// case-sensitive substring search of the whole command line, wherever it stands.
#pragma once
#include <cstdint>

#include "core/string.h"

// Switches the framework looks for.
inline constexpr const char kSwitchHostWindow[] = "-wnd=";      // + hex handle: child of a host window
inline constexpr const char kSwitchMultiple[] = "--multiple";   // no single-instance test
inline constexpr const char kSwitchMsn[] = "-msn";              // portal handlers
inline constexpr const char kSwitchZylom[] = "-zylom";
inline constexpr const char kSwitchAol[] = "-aol";
inline constexpr const char kSwitchHostTest[] = "--axtest";     // host test mode
inline constexpr const char kSwitchWorkFolder[] = "-wd=";       // + folder, optionally quoted
inline constexpr const char kSwitchHostDriven[] = "-pq=";       // host-driven mode
inline constexpr const char kSwitchOptions[] = "options=";      // configuration pairs
inline constexpr const char kSwitchStringTest[] = "--stringtest";
inline constexpr const char kSwitchHostProgram[] = "-host=";    // + program that opens web links
inline constexpr const char kSwitchComInterval[] = "-com_interval";

// Keeps a copy of the command line for every later test; null is an empty command line.
void SetProcessCommandLine(const char* commandLine);
// The kept command line, never null.
const char* GetProcessCommandLine();

// True when the text occurs anywhere in the command line (case-sensitive).
bool CommandLineHas(const char* text);
// The command line right after the first occurrence of the text, or null when it does not occur.
const char* CommandLineAfter(const char* text);
// The value after a switch such as "-wd=": when it begins with a double quote it runs to the next
// double quote (or the end), otherwise to the first blank (or the end). Empty when the switch is
// missing.
TString CommandLineValue(const char* text);
// The hexadecimal number after a switch such as "-wnd=" (leading blanks and "0x" allowed). False
// when the switch is missing, no digit follows, or the number does not fit 32 bits.
bool CommandLineHexValue(const char* text, uint32_t* value);
