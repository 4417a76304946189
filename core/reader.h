#pragma once
// The one reader of click data. PositionAt puts every open slot at a time; NextRecord
// then delivers a slot's records one at a time: minute markers, and the clicks that
// pass the filters, the minute click limit and the time-order check. After each call
// the slot's NRType, Click or Marker, CurrentMinute and MoreData describe the record.
//
//   PositionAt(program, host, start, 0);
//   while (slot.MoreData && IsBefore({slot.CurrentMinute, slot.Click.Time}, end)) {
//       NextRecord(program, host, 1);
//       if (slot.NRType < 128) ... a click;  254 a minute marker;  253 a filler;  255 the end
//   }
#include <cstdint>

#include "core/time.h"

namespace kelp {

class Program;
class Host;
struct FileSlot;

inline constexpr const char* RecordClassErrorText = "Record class error in file.  Please contact Tobin.";

// Positions every open slot so that its next delivered record is the first at or after
// (minute, time). A slot whose file ends before the minute gets MoreData false.
void PositionAt(Program& program, Host& host, MinuteNumber minute, std::int32_t time);

// Decodes the slot's records until one is delivered; does nothing once MoreData is false.
void NextRecord(Program& program, Host& host, int slotIndex);

} // namespace kelp
