// Writes a small demonstration KL1 file: a few minutes with a regular click train,
// made with the same builders the tests use.
#include <cstdio>
#include <string>

#include "tests/support/builders.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelp-demo-file OUT.KL1\n");
        return 2;
    }
    using namespace kelp;
    testing::DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 6, 1, 12, 0));
    b.Header().SetLocation("Demo bay");
    b.Header().SetNotes("Made by kelp-demo-file");
    for (int minute = 0; minute < 5; ++minute) {
        b.Minute(95 + minute, 40);
        // A porpoise-like train: 130 kHz, intervals growing from 60 to 80 ms.
        std::int32_t t = 1'000'000;
        for (int i = 0; i < 40 && t < 12'000'000; ++i) {
            b.Click(testing::MakeClick(t, 128 + i % 5, 14, 60 + (i < 20 ? i * 4 : (40 - i) * 4), 3, 0x47));
            t += 12'000 + i * 100;
        }
    }
    b.Write(argv[1]);
    std::printf("%s\n", argv[1]);
    return 0;
}
