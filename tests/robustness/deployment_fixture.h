#pragma once
// A small simulated deployment made once per test program: its card (DATA0.ORV, SETUP.ORV),
// the KL1 file downloaded from it and the KL2 and KL3 files of its click trains. Each test
// gets fresh copies in a folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp::testing {

// The files of the deployment, by the names the copies have: "card/DATA0.ORV",
// "card/SETUP.ORV", "D KELP.KL1", "D KELP.KL2", "D KELP.KL3".
struct Deployment {
    std::string Folder;
    bool Ok = false;
};
const Deployment& SimulatedDeployment();

class DeploymentTest : public ::testing::Test {
protected:
    TempDir dir;
    Program program;
    HeadlessHost host;

    void SetUp() override { Fresh(); }
    // Puts fresh copies of the deployment's files into the test's folder, removing anything else.
    void Fresh();
    std::string File(const std::string& name) const { return dir.File(name); }
    std::vector<std::uint8_t> Bytes(const std::string& name) const { return ReadFileBytes(File(name)); }
    // Temporary files of atomic writers, and earlier files set aside, left in the folder
    // (there should be none).
    std::vector<std::string> LeftoverParts() const;
    // Every message shown and every report line of the download page, for assertions.
    std::string AllMessages() const;
};

} // namespace kelp::testing
