// SPDX-License-Identifier: GPL-3.0-or-later
#include "errors.h"

#include "mci.h"

namespace quorvel::platform {

std::string_view mciErrorText(std::uint32_t code)
{
    switch (code) {
    case UnrecognizedKeyword:
        return "The driver cannot recognize the specified command parameter.";
    case UnrecognizedCommand:
        return "The driver cannot recognize the specified command.";
    case InvalidDevice:
        return "The specified device is not open or is not recognized by MCI.";
    case MissingCommandString:
        return "No command was specified.";
    case BadInteger:
        return "The specified integer is invalid for this command.";
    case MissingParameter:
        return "The specified command requires a parameter. Please supply one.";
    case UnsupportedFunction:
        return "The MCI device you are using does not support the specified command.";
    case OutOfRange:
        return "The specified parameter is out of range for the specified command.";
    case FileWrite:
        return "Cannot save the specified file. Make sure you have enough disk space or are still connected to the "
               "network.";
    case DuplicateAlias:
        return "The specified alias is already being used in this application. Use a unique alias.";
    case BadConstant:
        return "The specified parameter is invalid for this command.";
    case MissingDeviceName:
        return "The specified command requires an alias, file, driver, or device name. Please supply one.";
    case NoClosingQuote:
        return "A closing double-quotation mark is missing from the parameter value. Please supply one.";
    case NewRequiresAlias:
        return "You must specify an alias when using the 'new' parameter.";
    case SequenceError:
        return "Cannot carry out the commands in the order specified. Correct the command sequence, and then try "
               "again.";
    case ExtraCharacters:
        return "Cannot specify extra characters after a string enclosed in quotation marks.";
    case DeviceNotInstalled:
        return "The specified device is not installed on the system. Use the Drivers option in Control Panel to "
               "install the device.";
    case WaveInputsUnsuitable:
        return "No wave device that can record files in the current format is installed. Use the Drivers option to "
               "install the wave device.";
    default:
        return {};
    }
}

} // namespace quorvel::platform
