#include "core/endpoints.h"

#include "core/bytes.h"
#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"

namespace kelp {

void SaveEndpoints(Program& p, Host& host) {
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen) continue;
        if (p.SharedStart < s.FirstMinute || p.SharedEnd > s.LastMinute) {
            host.ShowMessage("Time range goes beyond time limits of this file. No change made.");
            continue;
        }
        std::uint8_t bytes[8];
        WriteBE(bytes, 0, 4, static_cast<std::uint32_t>(p.SharedStart));
        WriteBE(bytes, 4, 4, static_cast<std::uint32_t>(p.SharedEnd));
        if (s.File.WriteAt(DataFileHeader::EndpointStartOffset, bytes, sizeof bytes)) {
            p.SaveEndpointsLabel = "done";
        } else {
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        }
        host.StateChanged(changed::Endpoints);
    }
    host.Wait(1000);
    p.SaveEndpointsLabel = "save endpoints";
    host.StateChanged(changed::Endpoints);
}

void DeleteSavedEndpoints(Program& p, Host& host) {
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen) continue;
        p.DeleteEndpointsLabel = std::to_string(i);
        host.StateChanged(changed::Endpoints);
        std::uint8_t bytes[24];
        const std::int64_t got = s.File.ReadAt(DataFileHeader::FirstMinuteOffset, bytes, sizeof bytes);
        bool ok = got == static_cast<std::int64_t>(sizeof bytes);
        if (ok) {
            for (int b = 0; b < 8; ++b) bytes[16 + b] = bytes[b];
            ok = s.File.WriteAt(DataFileHeader::FirstMinuteOffset, bytes, sizeof bytes);
        }
        if (ok) {
            p.DeleteEndpointsLabel = "Done";
            s.EndpointStart = s.FirstMinute;
            s.EndpointEnd = s.LastMinute;
            s.Header.SetEndpointStart(ReadBE32Signed(bytes, 16));
            s.Header.SetEndpointEnd(ReadBE32Signed(bytes, 20));
        } else {
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        }
        host.StateChanged(changed::Endpoints);
    }
    ComputeSharedRange(p, host);
    ShowFileInfo(p, host);
    host.Wait(1000);
    p.DeleteEndpointsLabel = "Delete saved endpoints";
    host.StateChanged(changed::Endpoints);
}

void SetUseEndpoints(Program& p, Host& host, bool on) {
    p.Options.UseEndpoints = on;
    host.StateChanged(changed::Endpoints);
    ComputeSharedRange(p, host);
    ShowFileInfo(p, host);
}

} // namespace kelp
