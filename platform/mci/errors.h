// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace quorvel::platform {

// The device's error numbers, as the classic multimedia interface numbers them.
enum MciError : std::uint32_t
{
    Ok = 0,
    UnrecognizedKeyword = 259,
    UnrecognizedCommand = 261,
    InvalidDevice = 263,
    MissingCommandString = 267,
    BadInteger = 270,
    MissingParameter = 273,
    UnsupportedFunction = 274,
    OutOfRange = 282,
    FileWrite = 286,
    DuplicateAlias = 289,
    BadConstant = 290,
    MissingDeviceName = 292,
    NoClosingQuote = 294,
    NewRequiresAlias = 299,
    SequenceError = 302,
    ExtraCharacters = 305,
    DeviceNotInstalled = 306,
    WaveInputsUnsuitable = 328,
};

} // namespace quorvel::platform
