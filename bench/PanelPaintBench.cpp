// The main panel repaints itself whole every 33 ms while the editor is open: one full paint
// of a 1256 × 710 panel into a software image, and the transient display's model alone,
// with the share of the frame and of one core printed at the end.

#include <benchmark/benchmark.h>

#include "gui/panel/KravellGUI.h"
#include "gui/panel/TransientModel.h"

namespace
{
constexpr int panelWidth = 1256;
constexpr int panelHeight = 710;
constexpr double frameMilliseconds = 33.0;

void fullPaint (benchmark::State& state)
{
    KravellAudioProcessor processor;
    const auto powerOn = state.range (0) != 0;
    auto* power = processor.parameterState.getParameter ("power");
    power->setValueNotifyingHost (powerOn ? 1.0f : 0.0f);

    KravellGUI panel (processor);
    panel.setSize (panelWidth, panelHeight);
    panel.stopTimer(); // the benchmark paints; the timer would only add repaint requests
    panel.timerCallback();

    juce::Image image (juce::Image::ARGB, panelWidth, panelHeight, true, juce::SoftwareImageType());

    for (auto _ : state)
    {
        juce::Graphics g (image);
        panel.paintEntireComponent (g, false);
        benchmark::DoNotOptimize (image.getPixelAt (600, 300));
    }
}

void transientModel (benchmark::State& state)
{
    TransientModelSettings settings; // every parameter at its default

    for (auto _ : state)
    {
        benchmark::DoNotOptimize (settings);
        auto model = runTransientModel (settings);
        benchmark::DoNotOptimize (model);
    }
}

/** Keeps each run's time so the frame shares can be printed after the table. */
class FrameShareReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns (const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns (runs);
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration)
                nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime() * multiplierToNanoseconds (run.time_unit);
    }

    void printShares() const
    {
        std::printf ("\npanel %d x %d, repainted every %.0f ms:\n", panelWidth, panelHeight, frameMilliseconds);
        for (const auto& [name, ns] : nanoseconds)
        {
            const auto ms = ns * 1.0e-6;
            std::printf ("  %-20s %8.3f ms  %5.1f %% of a frame (one core)\n", name.c_str(), ms, 100.0 * ms / frameMilliseconds);
        }
    }

private:
    static double multiplierToNanoseconds (benchmark::TimeUnit unit)
    {
        switch (unit)
        {
            case benchmark::kSecond: return 1.0e9;
            case benchmark::kMillisecond: return 1.0e6;
            case benchmark::kMicrosecond: return 1.0e3;
            case benchmark::kNanosecond: return 1.0;
        }
        return 1.0;
    }

    std::map<std::string, double> nanoseconds;
};
} // namespace

BENCHMARK (fullPaint)->ArgName ("power")->Arg (1)->Arg (0)->Unit (benchmark::kMillisecond)->MinTime (1.0);
BENCHMARK (transientModel)->Unit (benchmark::kMicrosecond)->MinTime (0.5);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    FrameShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    reporter.printShares();
    benchmark::Shutdown();
    return 0;
}
