// The LV2 UI as a Linux host embeds it, each opening in a fresh process (the UI probe) on a
// display of its own: a GNOME-style desktop scale of 2 (Gdk/WindowScalingFactor) on a
// 1920 x 1080 screen leaves the editor the logical area of a 960 x 540 screen at scale 1, so the
// UI must ask for twice the size, fill the window it gets and draw at twice the resolution;
// also where the host gives that scale itself (ui:scaleFactor).

#include "lv2/Lv2TestHost.h"
#include "support/EditorAtScale.h"

class Lv2UiAtDesktopScale : public ::testing::TestWithParam<HostScaleCase>
{
};

TEST_P (Lv2UiAtDesktopScale, OpensWholeAndCrispAtScaleTwo)
{
    const auto pictures = juce::File (KRAVELL_TEST_OUTPUT_DIR).getChildFile ("tests/editor-scale");
    const auto open = [&] (int width, int height, int scale, const juce::String& hostScale)
    {
        juce::StringArray probe { KRAVELL_LV2_UI_PROBE, builtLv2Bundle().getFullPathName() };
        return openEditorOn (width, height, scale, probe, pictures.getChildFile ("lv2-scale-" + juce::String (scale) + ".ppm"), hostScale, "resize");
    };
    const auto atOne = open (960, 540, 1, {});
    const auto atTwo = open (1920, 1080, 2, GetParam().hostScale);
    expectWholeAndCrisp (atOne, atTwo);
}

INSTANTIATE_TEST_SUITE_P (HostScales, Lv2UiAtDesktopScale, ::testing::ValuesIn (hostScaleCases), [] (const auto& testInfo) { return std::string (testInfo.param.name); });
