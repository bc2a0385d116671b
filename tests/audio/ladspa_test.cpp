// The LADSPA host against real Debian plug-ins (ladspa-sdk, tap-plugins): folders, loading and
// refusing files, default control values, and what a mono and a stereo plug-in do to samples.

#include "audio/ladspainstance.h"
#include "audio/ladspaplugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace qwaudio;

namespace {

constexpr unsigned long kRate = 44100;
const std::string kFolder = "/usr/lib/ladspa";

std::vector<float> stereoSine(double frequency, unsigned long frames) {
    std::vector<float> samples(frames * 2);
    for (unsigned long i = 0; i < frames; ++i) {
        const auto value = float(0.5 * std::sin(2 * M_PI * frequency * double(i) / kRate));
        samples[2 * i] = value;
        samples[2 * i + 1] = value;
    }
    return samples;
}

float peak(const std::vector<float>& samples, size_t fromFrame, int channel) {
    float highest = 0;
    for (size_t i = fromFrame * 2 + size_t(channel); i < samples.size(); i += 2)
        highest = std::max(highest, std::abs(samples[i]));
    return highest;
}

// The first frame after from whose sample on channel is clearly not silent; 0 when none.
size_t firstSoundAfter(const std::vector<float>& samples, size_t from, int channel) {
    for (size_t frame = from; 2 * frame + 1 < samples.size(); ++frame) {
        if (std::abs(samples[2 * frame + size_t(channel)]) > 0.05F)
            return frame;
    }
    return 0;
}

std::string tempFile(const std::string& name, const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() /
                      (std::to_string(getpid()) + "_" + name);
    std::ofstream(path) << content;
    return path.string();
}

} // namespace

TEST(Ladspa, FolderListsItsSharedObjectsSortedAndAMissingFolderNone) {
    const auto files = LadspaPlugin::filesIn(kFolder);
    ASSERT_FALSE(files.empty());
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    EXPECT_NE(std::find(files.begin(), files.end(), kFolder + "/filter.so"), files.end());
    EXPECT_TRUE(LadspaPlugin::filesIn("/no/such/ladspa/folder").empty());
}

TEST(Ladspa, DefaultFoldersFollowLadspaPathThenTheSystemFolder) {
    setenv("LADSPA_PATH", "/opt/a:/opt/b::", 1);
    EXPECT_EQ(LadspaPlugin::defaultFolders(),
              (std::vector<std::string>{"/opt/a", "/opt/b", kFolder}));
    setenv("LADSPA_PATH", kFolder.c_str(), 1);
    EXPECT_EQ(LadspaPlugin::defaultFolders(), std::vector<std::string>{kFolder});
    unsetenv("LADSPA_PATH");
    EXPECT_EQ(LadspaPlugin::defaultFolders(), std::vector<std::string>{kFolder});
}

TEST(Ladspa, FilesThatAreNoUsablePluginAreRefusedWithTheirReason) {
    std::string error;
    const std::string text = tempFile("fake.so", "not a shared object");
    EXPECT_EQ(LadspaPlugin::load(text, &error), nullptr);
    EXPECT_NE(error.find("not a LADSPA plug-in library"), std::string::npos) << error;
    std::filesystem::remove(text);

    EXPECT_EQ(LadspaPlugin::load("/usr/lib/x86_64-linux-gnu/libz.so.1", &error), nullptr);
    EXPECT_NE(error.find("no ladspa_descriptor entry point"), std::string::npos) << error;

    // White noise has an audio output but nothing to take the stream's samples.
    EXPECT_EQ(LadspaPlugin::load(kFolder + "/noise.so", &error), nullptr);
    EXPECT_NE(error.find("no plug-in with matching audio inputs and outputs"), std::string::npos)
        << error;

    EXPECT_EQ(LadspaPlugin::load("/no/such/plugin.so", &error), nullptr);
    EXPECT_NE(error.find("not a LADSPA plug-in library"), std::string::npos) << error;
}

TEST(Ladspa, DefaultHintsGiveTheDocumentedValues) {
    const auto hint = [](int hints, float lower, float upper) {
        return LADSPA_PortRangeHint{hints, lower, upper};
    };
    const int bounded = LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE;
    EXPECT_FLOAT_EQ(LadspaInstance::defaultValue(hint(bounded | LADSPA_HINT_DEFAULT_MIDDLE, 0, 10),
                                                 kRate),
                    5.0F);
    EXPECT_NEAR(LadspaInstance::defaultValue(
                    hint(bounded | LADSPA_HINT_DEFAULT_MIDDLE | LADSPA_HINT_LOGARITHMIC, 1, 100),
                    kRate),
                10.0F, 1e-4);
    EXPECT_FLOAT_EQ(
        LadspaInstance::defaultValue(
            hint(bounded | LADSPA_HINT_DEFAULT_MAXIMUM | LADSPA_HINT_SAMPLE_RATE, 0, 0.5F), kRate),
        22050.0F);
    EXPECT_FLOAT_EQ(LadspaInstance::defaultValue(hint(LADSPA_HINT_DEFAULT_440, 0, 0), kRate),
                    440.0F);
    // A default outside the bounds is pulled inside; no default starts at the lower bound.
    EXPECT_FLOAT_EQ(LadspaInstance::defaultValue(hint(bounded | LADSPA_HINT_DEFAULT_100, 0, 10),
                                                 kRate),
                    10.0F);
    EXPECT_FLOAT_EQ(LadspaInstance::defaultValue(hint(LADSPA_HINT_BOUNDED_BELOW, -3, 0), kRate),
                    -3.0F);
    EXPECT_FLOAT_EQ(LadspaInstance::defaultValue(hint(0, 0, 0), kRate), 0.0F);
}

TEST(Ladspa, MonoLowPassRunsOnEachChannelAndDampsAHighTone) {
    std::string error;
    auto plugin = LadspaPlugin::load(kFolder + "/filter.so", &error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(plugin->label(), "lpf");
    EXPECT_EQ(plugin->audioInputs(), 1);
    auto instance = plugin->instantiate(kRate, 2, &error);
    ASSERT_NE(instance, nullptr) << error;
    plugin.reset(); // the instance keeps the code loaded

    auto high = stereoSine(5000, 3 * LadspaInstance::BlockFrames + 100);
    instance->process(high.data(), high.size() / 2);
    EXPECT_LT(peak(high, 1000, 0), 0.1F);
    EXPECT_LT(peak(high, 1000, 1), 0.1F);
    auto low = stereoSine(50, 20000);
    instance->process(low.data(), low.size() / 2);
    EXPECT_GT(peak(low, 10000, 0), 0.45F);
    EXPECT_GT(peak(low, 10000, 1), 0.45F);
}

TEST(Ladspa, StereoEchoRepeatsAnImpulseOnBothChannelsAfterItsDelay) {
    std::string error;
    auto plugin = LadspaPlugin::load(kFolder + "/tap_echo.so", &error);
    ASSERT_NE(plugin, nullptr) << error;
    EXPECT_EQ(plugin->audioInputs(), 2);
    EXPECT_EQ(plugin->instantiate(kRate, 6, &error), nullptr);
    EXPECT_NE(error.find("cannot run on 6 channels"), std::string::npos) << error;
    auto instance = plugin->instantiate(kRate, 2, &error);
    ASSERT_NE(instance, nullptr) << error;

    std::vector<float> samples(2 * kRate / 4, 0.0F);
    samples[0] = samples[1] = 0.5F;
    instance->process(samples.data(), samples.size() / 2);
    EXPECT_NEAR(samples[0], 0.5F, 0.01F);
    // The echo comes 100 ms (the default delay) later, on both channels, and nothing between.
    EXPECT_NEAR(double(firstSoundAfter(samples, 1, 0)), kRate / 10.0, 2);
    EXPECT_NEAR(double(firstSoundAfter(samples, 1, 1)), kRate / 10.0, 2);
}

TEST(Ladspa, StereoPluginOnAMonoStreamFeedsItsOneChannelToBothInputs) {
    std::string error;
    auto plugin = LadspaPlugin::load(kFolder + "/tap_echo.so", &error);
    ASSERT_NE(plugin, nullptr) << error;
    auto instance = plugin->instantiate(kRate, 1, &error);
    ASSERT_NE(instance, nullptr) << error;
    std::vector<float> samples(kRate / 4, 0.0F);
    samples[0] = 0.5F;
    instance->process(samples.data(), samples.size());
    const auto echo = std::find_if(samples.begin() + 1, samples.end(),
                                   [](float value) { return std::abs(value) > 0.05F; });
    EXPECT_NEAR(double(echo - samples.begin()), kRate / 10.0, 2);
}
