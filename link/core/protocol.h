#pragma once
// The bus protocol's framing, checksum, request templates and reply fields. One implementation,
// shared by the link, the poller, the simulated module and the tests.

#include <cstdint>
#include <string>
#include <string_view>

namespace qx {

constexpr char kCr = '\r';
constexpr std::size_t kBufferSize = 32;  // transmit and receive buffers, terminating zero included

// Sum of the character codes modulo 256: the checksum of a frame's text.
std::uint8_t Checksum(std::string_view text);

// Writes the two upper-case checksum digits of `text` to out[0], out[1].
void ChecksumDigits(std::string_view text, char out[2]);

// Value of one hexadecimal digit as read on the bus: '0'..'9', 'A'..'F' and 'a'..'f';
// -1 for any other character.
int HexDigit(char c);

// Value of the hexadecimal pair at 1-based position `pos` of `reply`; -1 when the pair lies
// outside the reply or is not hexadecimal.
int HexPairAt(std::string_view reply, int pos);

// Decimal integer from exactly the 1-based positions first..last of `reply` (leading blanks and
// one sign allowed, conversion stops at the first non-digit; positions beyond the reply are
// ignored). 0 when no digit is found; a longer run of digits is held at the limits of int.
int DecimalAt(std::string_view reply, int first, int last);

// True when a reply received with checksums on (text, two digits, CR) carries the right sum.
// The sum is taken over the characters as received. A reply too short to hold the digits and the
// CR fails; nothing outside the reply is read.
bool ReplyChecksumOk(std::string_view reply);

// The text of a raw reply: without its CR and, with checksums on, without the two digits before
// the CR. A reply cut short (no CR) has not brought its digits and stays as it came.
std::string_view ReplyText(std::string_view reply, bool checksum);

// True when the raw `reply` (as read, CR and checksum digits included) can be the answer to the
// request text `request` (without digits and CR). A module answers only for itself, so a reply
// that names another address is a late reply to an earlier request or another module's. Where
// the command table gives the layout, the reply must have it: '>' answers only the value request,
// '!' and '?' every other one (the configuration command from the old or the new address), and
// the '!' replies to $AAM, $AAF (11 characters, decimal fields), $AAN (4 to 11, decimal) and
// $AA2 (9, hexadecimal pairs) cannot be taken for one another. A reply cut short by a pause is
// judged by what came of it. A request outside the command table is not judged.
bool ReplyAnswers(std::string_view request, std::string_view reply, bool checksum);

// The frame that travels: text, the two checksum digits when `withChecksum`, then CR.
std::string Frame(std::string_view text, bool withChecksum);

// The value in a reply to #AA. `value` gets the number, `sign` 1 for "+", 2 for "-", 0 otherwise.
// Returns false (value untouched) when the reply does not begin with '>'.
// The character at position 8 is replaced by '0' unless it is a backslash, then the longest
// decimal number (sign, digits, point, exponent) from position 2 is read.
bool ParseValueReply(std::string_view reply, double* value, int* sign);

// Request templates of the command table. Addresses and byte fields are two upper-case hex digits.
std::string ReqModel(int addr);             // "$%02XM"
std::string ReqFirmware(int addr);          // "$%02XF"
std::string ReqConfig(int addr);            // "$%02X2"
std::string ReqInstrumentNumber(int addr);  // "$%02XN"
std::string ReqPrepareConfig(int addr);     // "$%02X0"
std::string ReqSetConfig(int addr, int newAddr, int config, int baudCode,
                         int flags);               // "%%%02X%02X%02X%02X%02X"
std::string ReqValue(int addr);                    // "#%02X"
std::string ReqQueueFill(int addr);                // "@%02XRF"
std::string ReqQueueRecord(int addr, int toggle);  // "@%02XRQ%i"
// Clock fields: hour, minute, second, day, month, year modulo 100.
std::string ReqWriteClock(int addr, int hour, int minute, int second, int day, int month,
                          int year);  // "@%02XWT%02i%02i%02i%02i%02i%02i"
std::string ReqDisableAll(int addr);  // "@%02XWE00%02X" with mask 0
// Entry fields: configuration byte, start hour and minute, start day and month, interval minutes
// and seconds.
std::string ReqWriteEntry(int addr, int index, int config, int hour, int minute, int day, int month,
                          int intervalMinutes,
                          int intervalSeconds);  // "@%02XWD%i%02X%02i%02i%02i%02i%02i%02i"
// Limit fields are the five-character "%c%04i" encodings, low limit first.
std::string ReqWriteLimits(int addr, int index, std::string_view lowField,
                           std::string_view highField, int intervalMinutes,
                           int intervalSeconds);              // "@%02XWL%i" + fields + "%02i%02i"
std::string ReqWriteEnable(int addr, int rewrite, int mask);  // "@%02XWE%02X%02X"
std::string ReqReadClock(int addr);                           // "@%02XRT"
std::string ReqReadEntry(int addr, int index);                // "@%02XRD%i"
std::string ReqReadLimits(int addr, int index);               // "@%02XRL%i"
std::string ReqReadEnable(int addr);                          // "@%02XRE"

// Format flags of the $AA2 reply.
constexpr int kFlagValue = 0x02;       // the module gives a value to #AA
constexpr int kFlagNumber = 0x04;      // the module answers $AAN
constexpr int kFlagInstrument = 0x08;  // an instrument is attached
constexpr int kFlagChecksum = 0x40;    // checksums on (also the FF field of the config command)

}  // namespace qx
