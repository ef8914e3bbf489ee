#include "shots/EditorPictures.h"

#include "support/MessagePump.h"

namespace editorpictures
{
juce::Image compositeOver (juce::Component& component)
{
    auto image = component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
    juce::Graphics g (image);
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
    {
        auto* window = desktop.getComponent (i);
        if (window == component.getTopLevelComponent() || ! window->isVisible())
            continue;
        const auto offset = window->getScreenPosition() - component.getScreenPosition();
        g.drawImageAt (window->createComponentSnapshot (window->getLocalBounds(), true, 1.0f), offset.x, offset.y);
    }
    return image;
}

bool samePixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    const juce::Image::BitmapData da (a, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData db (b, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < da.height; ++y)
        for (int x = 0; x < da.width; ++x)
            if (da.getPixelColour (x, y) != db.getPixelColour (x, y))
                return false;
    return true;
}

juce::Image settledSnapshot (juce::Component& component, juce::Rectangle<int> area, int minimumMs, int timeoutMs, float scale)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    pumpMessages (minimumMs);
    auto previous = component.createComponentSnapshot (area, true, scale);
    for (;;)
    {
        pumpMessages (minimumMs);
        auto now = component.createComponentSnapshot (area, true, scale);
        if (samePixels (previous, now) || juce::Time::getMillisecondCounter() > end)
            return now;
        previous = now;
    }
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
}
} // namespace editorpictures
