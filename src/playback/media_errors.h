// The MCI error numbers the player has always used, so that callers (and
// what they store) keep comparing the same values, with the device error
// texts that go with them.
#pragma once

#include <string>

namespace nuko::playback {

namespace mci {
inline constexpr int kNoDevice = -1;                // no device type or driver for the file
inline constexpr int kOk = 0;
inline constexpr int kInvalidDeviceId = 257;        // MCIERR_INVALID_DEVICE_ID: nothing open
inline constexpr int kHardware = 262;               // MCIERR_HARDWARE
inline constexpr int kInvalidDeviceName = 263;      // MCIERR_INVALID_DEVICE_NAME
inline constexpr int kOutOfMemory = 264;            // MCIERR_OUT_OF_MEMORY
inline constexpr int kCannotLoadDriver = 266;       // MCIERR_CANNOT_LOAD_DRIVER
inline constexpr int kUnsupportedFunction = 274;    // MCIERR_UNSUPPORTED_FUNCTION
inline constexpr int kFileNotFound = 275;           // MCIERR_FILE_NOT_FOUND
inline constexpr int kDeviceNotReady = 276;         // MCIERR_DEVICE_NOT_READY
inline constexpr int kInternal = 277;               // MCIERR_INTERNAL
inline constexpr int kDriver = 278;                 // MCIERR_DRIVER
inline constexpr int kOutOfRange = 282;             // MCIERR_OUTOFRANGE
inline constexpr int kInvalidFile = 296;            // MCIERR_INVALID_FILE
inline constexpr int kSeqPortNonexistent = 338;     // MCIERR_SEQ_PORT_NONEXISTENT
inline constexpr int kSeqNoMidiPresent = 343;       // MCIERR_SEQ_NOMIDIPRESENT
inline constexpr int kCreateWindow = 347;           // MCIERR_CREATEWINDOW
inline constexpr int kFileRead = 348;               // MCIERR_FILE_READ
// Not an error: the operation goes on in the background and its end comes
// as a notice (an open of a file that libmpv loads).
inline constexpr int kPending = -100;
}  // namespace mci

// Completion notices, with the values of MM_MCINOTIFY's wParam.
inline constexpr int kNotifySuccessful = 1;
inline constexpr int kNotifyFailure = 8;
// This player's own: an open that went on in the background has ended;
// MediaDevice::OpenResult says how.
inline constexpr int kNotifyOpened = 0x100;

// The device's text for an error number; `detail` (what the library said)
// follows in brackets when it is not empty.
std::string DeviceErrorText(int error, const std::string& detail = {});

}  // namespace nuko::playback
