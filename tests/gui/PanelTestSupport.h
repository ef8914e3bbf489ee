#pragma once

#include <gtest/gtest.h>

#include "gui/panel/KravellGUI.h"
#include "support/ProcessorHelpers.h"

namespace panel_test
{
/** A processor with its panel laid out at a given size. */
struct PanelAt
{
    explicit PanelAt (int width = 1256, int height = 710)
    {
        panel.setSize (width, height);
    }

    KravellAudioProcessor processor;
    KravellGUI panel { processor };
};

/** A panel in a window of its own, for what needs a component on screen, such as a
    read-out's text editor taking the keyboard focus. */
struct ShownPanelAt : PanelAt
{
    ShownPanelAt()
    {
        panel.addToDesktop (juce::ComponentPeer::windowIsTemporary);
        panel.setVisible (true);
    }

    ~ShownPanelAt()
    {
        panel.removeFromDesktop();
    }
};

/** Paints a component and its children into a software image, as the host's window would. */
inline juce::Image render (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true, juce::SoftwareImageType());
    juce::Graphics g (image);
    component.paintEntireComponent (g, false);
    return image;
}

/** Largest difference of the four channels. */
inline int colourDistance (juce::Colour a, juce::Colour b)
{
    return std::max ({ std::abs (a.getRed() - b.getRed()),
                       std::abs (a.getGreen() - b.getGreen()),
                       std::abs (a.getBlue() - b.getBlue()),
                       std::abs (a.getAlpha() - b.getAlpha()) });
}

/** A colour drawn with an alpha over an opaque background, as the renderer blends it. */
inline juce::Colour over (juce::Colour background, juce::Colour foreground)
{
    return background.overlaidWith (foreground);
}

inline ::testing::AssertionResult colourNear (juce::Colour actual, juce::Colour expected, int tolerance)
{
    if (colourDistance (actual, expected) <= tolerance)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "got " << actual.toDisplayString (true) << ", expected " << expected.toDisplayString (true) << " within " << tolerance;
}

/** How strongly a pixel leans to the panel's purple-blue accents: blue over the mean of red
    and green. Greys and the panel's near-black backgrounds stay low. */
inline int accentLean (juce::Colour c)
{
    return (int) c.getBlue() - ((int) c.getRed() + (int) c.getGreen()) / 2;
}

inline int maximumAccentLean (const juce::Image& image, juce::Rectangle<int> area)
{
    int strongest = -255;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            strongest = std::max (strongest, accentLean (image.getPixelAt (x, y)));
    return strongest;
}

/** A left-button mouse event at the centre of a component, with a given click count. */
inline juce::MouseEvent mouseEventAtCentre (juce::Component& component, int numberOfClicks = 1)
{
    const auto centre = component.getLocalBounds().getCentre().toFloat();
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(),
             centre,
             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
             juce::MouseInputSource::defaultPressure,
             juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation,
             juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY,
             &component,
             &component,
             now,
             centre,
             now,
             numberOfClicks,
             false };
}

/** A mouse press and release inside a button: the button's own click path, run synchronously. */
inline void click (juce::Button& button)
{
    const auto event = mouseEventAtCentre (button);
    auto& component = static_cast<juce::Component&> (button); // the handlers are public there
    component.mouseDown (event);
    component.mouseUp (event);
}

/** Where the snapshots for review go: a folder next to the test binary, in the build tree. */
inline juce::File snapshotFolder()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory().getChildFile ("gui-snapshots");
}
} // namespace panel_test
