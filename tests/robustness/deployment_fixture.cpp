#include "tests/robustness/deployment_fixture.h"

#include "core/time.h"
#include "download/read_sd_data.h"
#include "simulator/logger_simulator.h"
#include "tda/train_batch.h"

namespace kelp::testing {

namespace fs = std::filesystem;

const Deployment& SimulatedDeployment() {
    static TempDir folder;
    static const Deployment deployment = [] {
        Deployment d;
        d.Folder = folder.Path();
        SimulationOptions sim;
        sim.OutFolder = folder.File("card");
        sim.Minutes = 6;
        sim.Scenario = "mixed";
        sim.Seed = 2;
        sim.Activity = 20;
        sim.ShrimpPerMinute = 10;
        fs::create_directories(sim.OutFolder);
        const SimulationResult card = SimulateCard(sim);
        if (!card.Ok) return d;
        fs::remove(folder.File("card/truth.json"));

        const MinuteNumber start = MakeMinute(2024, 3, 1, 12, 0);
        ReadSDPage page;
        PasteNowIntoStartTime(page, start);
        PasteNowIntoNameDate(page, start);
        TextBoxesChanged(page);
        page.OpenFileWhenFinished = false;
        Program p;
        HeadlessHost h;
        h.OpenAnswers.push_back({card.Files.front()});
        h.SaveAnswers.push_back(folder.File("D KELP.KL1"));
        DownloadEnvironment env;
        env.Now = [start] { return start + MinutesPerDay; };
        if (ReadSDdata(p, h, page, env).OutputFiles.empty()) return d;
        TrainBatchOptions options;
        options.KeepKL2 = true;
        RunTrainBatch(p, h, {folder.File("D KELP.KL1")}, options);
        d.Ok = fs::exists(folder.File("D KELP.KL3")) && fs::exists(folder.File("D KELP.KL2"));
        return d;
    }();
    return deployment;
}

void DeploymentTest::Fresh() {
    const Deployment& d = SimulatedDeployment();
    ASSERT_TRUE(d.Ok) << "the simulated deployment could not be made";
    for (const auto& entry : fs::directory_iterator(dir.Path())) fs::remove_all(entry.path());
    fs::copy(d.Folder, dir.Path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::vector<std::string> DeploymentTest::LeftoverParts() const {
    std::vector<std::string> parts;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        if (entry.path().extension() == ".part" || entry.path().extension() == ".earlier")
            parts.push_back(entry.path().filename().string());
    return parts;
}

std::string DeploymentTest::AllMessages() const {
    std::string all;
    for (const std::string& text : host.MessageTexts()) all += text + "\n";
    return all;
}

} // namespace kelp::testing
