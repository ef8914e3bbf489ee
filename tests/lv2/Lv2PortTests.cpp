// What an LV2 host learns from the installed description, read with Debian's lv2info.

#include "lv2/Lv2TestHost.h"

namespace
{
/** One port as lv2info prints it. */
struct PrintedPort
{
    std::map<juce::String, juce::StringArray> fields; // "Symbol", "Name", "Properties", "Type"...
    std::map<float, juce::String> scalePoints;

    juce::String field (const juce::String& name) const
    {
        const auto it = fields.find (name);
        return it != fields.end() ? it->second.joinIntoString (" ") : juce::String();
    }

    bool hasProperty (const juce::String& uri) const
    {
        const auto it = fields.find ("Properties");
        return it != fields.end() && it->second.contains (uri);
    }
};

/** lv2info's report of the plug-in: its header lines and its ports by symbol. */
struct PrintedPlugin
{
    juce::String header;
    std::map<juce::String, PrintedPort> ports;
};

PrintedPlugin describeWithLv2Info()
{
    pointLv2PathAtTheBuiltBundle();
    juce::String output;
    const auto exitCode = runProgram ({ "lv2info", kravellLv2Uri }, output);
    if (exitCode != 0)
        throw std::runtime_error (("lv2info failed: " + output).toStdString());

    // A port block: "\tPort N:" then "\t\tKey: value" lines, continuation lines indented
    // further, and scale points as "\t\t\tvalue = \"label\"".
    PrintedPlugin plugin;
    PrintedPort* port = nullptr;
    juce::String key;
    for (const auto& line : juce::StringArray::fromLines (output))
    {
        if (line.startsWith ("\tPort "))
        {
            plugin.ports.emplace (line.trim(), PrintedPort {});
            port = &plugin.ports[line.trim()];
            continue;
        }
        if (port == nullptr)
        {
            plugin.header << line << "\n";
            continue;
        }
        const auto text = line.trim();
        if (text.isEmpty())
            continue;
        if (line.startsWith ("\t\t\t") && text.contains (" = \""))
            port->scalePoints[text.upToFirstOccurrenceOf (" = ", false, false).getFloatValue()] = text.fromFirstOccurrenceOf ("\"", false, false).dropLastCharacters (1);
        else if (line.startsWith ("\t\t") && ! line.startsWith ("\t\t ") && text.containsChar (':') && ! text.startsWith ("http"))
        {
            key = text.upToFirstOccurrenceOf (":", false, false);
            port->fields[key].add (text.fromFirstOccurrenceOf (":", false, false).trim());
            port->fields[key].removeEmptyStrings();
        }
        else
            port->fields[key].add (text);
    }

    // Re-key the ports by their symbols.
    PrintedPlugin bySymbol { plugin.header, {} };
    for (auto& [name, printed] : plugin.ports)
        bySymbol.ports[printed.field ("Symbol")] = printed;
    return bySymbol;
}

const PrintedPlugin& printedPlugin()
{
    static const auto plugin = describeWithLv2Info();
    return plugin;
}

constexpr auto lv2Core = "http://lv2plug.in/ns/lv2core#";

/** A control as the product defines it. */
struct ExpectedControl
{
    const char* symbol;
    const char* name;
    float minimum, maximum, defaultValue;
    enum Kind { continuous, toggle, choice } kind;
    std::vector<const char*> labels; // a choice's labels, for the values 0, 1, 2...
};

void PrintTo (const ExpectedControl& control, std::ostream* os) { *os << control.symbol; }

class Lv2ControlPorts : public ::testing::TestWithParam<ExpectedControl>
{
};
} // namespace

TEST (Lv2Description, Lv2InfoFindsThePluginWithStereoAudioAndZeroLatencyPort)
{
    const auto& plugin = printedPlugin();
    EXPECT_TRUE (plugin.header.contains ("Name:              Kravell")) << plugin.header;
    EXPECT_TRUE (plugin.header.contains ("Author:            Dornel Audio")) << plugin.header;
    EXPECT_TRUE (plugin.header.contains ("Author Homepage:   https://dornel.audio")) << plugin.header;
    // The maker has no e-mail address: none is shown, rather than the description file's path.
    EXPECT_FALSE (plugin.header.contains ("Author Email:")) << plugin.header;
    EXPECT_TRUE (plugin.header.contains ("X11UI")) << "the editor is offered as the plug-in's UI";
    EXPECT_TRUE (plugin.header.contains ("http://lv2plug.in/ns/ext/state#interface")) << plugin.header;

    for (const auto* symbol : { "audio_in_1", "audio_in_2", "audio_out_1", "audio_out_2" })
    {
        ASSERT_EQ (plugin.ports.count (symbol), 1u) << symbol;
        EXPECT_TRUE (plugin.ports.at (symbol).field ("Type").contains ("AudioPort")) << symbol;
    }

    ASSERT_EQ (plugin.ports.count ("latency"), 1u);
    EXPECT_TRUE (plugin.ports.at ("latency").hasProperty (juce::String (lv2Core) + "reportsLatency"));
    EXPECT_TRUE (plugin.header.contains ("Has latency:       yes")) << plugin.header;

    int controlInputs = 0;
    for (const auto& [symbol, port] : plugin.ports)
        if (port.field ("Type").contains ("ControlPort") && port.field ("Type").contains ("InputPort") && port.field ("Designation").isEmpty())
            ++controlInputs;
    EXPECT_EQ (controlInputs, 10) << "one control port per parameter, besides the host's enable and free-wheel ports";
}

TEST_P (Lv2ControlPorts, NameRangeDefaultAndKindAsTheProductDefinesThem)
{
    const auto& expected = GetParam();
    const auto& ports = printedPlugin().ports;
    ASSERT_EQ (ports.count (expected.symbol), 1u) << "no control port '" << expected.symbol << "'";
    const auto& port = ports.at (expected.symbol);

    EXPECT_TRUE (port.field ("Type").contains (juce::String (lv2Core) + "ControlPort"));
    EXPECT_TRUE (port.field ("Type").contains (juce::String (lv2Core) + "InputPort"));
    EXPECT_EQ (port.field ("Name"), expected.name);
    EXPECT_FLOAT_EQ (port.field ("Minimum").getFloatValue(), expected.minimum);
    EXPECT_FLOAT_EQ (port.field ("Maximum").getFloatValue(), expected.maximum);
    EXPECT_FLOAT_EQ (port.field ("Default").getFloatValue(), expected.defaultValue);

    EXPECT_EQ (port.hasProperty (juce::String (lv2Core) + "toggled"), expected.kind == ExpectedControl::toggle);
    EXPECT_EQ (port.hasProperty (juce::String (lv2Core) + "enumeration"), expected.kind == ExpectedControl::choice);
    EXPECT_EQ (port.hasProperty (juce::String (lv2Core) + "integer"), expected.kind == ExpectedControl::choice);

    std::map<float, juce::String> labels;
    for (size_t i = 0; i < expected.labels.size(); ++i)
        labels[(float) i] = expected.labels[i];
    EXPECT_EQ (port.scalePoints, labels);
}

INSTANTIATE_TEST_SUITE_P (Kravell, Lv2ControlPorts,
                          ::testing::Values (ExpectedControl { "power", "Power", 0.0f, 1.0f, 1.0f, ExpectedControl::toggle, {} },
                                             ExpectedControl { "mode", "Mode", 0.0f, 2.0f, 1.0f, ExpectedControl::choice, { "Tight", "Punch", "Smooth" } },
                                             ExpectedControl { "attack", "Attack", -12.0f, 12.0f, 5.0f, ExpectedControl::continuous, {} },
                                             ExpectedControl { "sustain", "Sustain", -12.0f, 12.0f, -2.5f, ExpectedControl::continuous, {} },
                                             ExpectedControl { "sensitivity", "Sensitivity", 0.0f, 100.0f, 60.0f, ExpectedControl::continuous, {} },
                                             ExpectedControl { "focus", "Focus", 0.0f, 2.0f, 1.0f, ExpectedControl::choice, { "Low", "Full", "High" } },
                                             ExpectedControl { "punch", "Punch", 0.0f, 100.0f, 30.0f, ExpectedControl::continuous, {} },
                                             ExpectedControl { "clip", "Clip", 0.0f, 100.0f, 25.0f, ExpectedControl::continuous, {} },
                                             ExpectedControl { "mix", "Mix", 0.0f, 100.0f, 100.0f, ExpectedControl::continuous, {} },
                                             ExpectedControl { "output", "Output", -12.0f, 12.0f, 0.0f, ExpectedControl::continuous, {} }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.symbol); });
