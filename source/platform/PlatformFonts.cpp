#include "platform/PlatformFonts.h"

#include <KravellFonts.h>

namespace
{
juce::Typeface::Ptr embeddedTypeface (const char* data, int size)
{
    return juce::Typeface::createSystemTypefaceFor (data, (size_t) size);
}

/** The framework's default look, with the embedded DejaVu Sans as its default sans-serif
    typeface. The framework resolves every font through the module's default look, so while
    one exists it is that default. One per module, shared by every open editor. */
class EmbeddedFontLook final : public juce::LookAndFeel_V4
{
public:
    EmbeddedFontLook()
    {
        if (regular == nullptr || bold == nullptr)
            return;

        juce::LookAndFeel::setDefaultLookAndFeel (this);
        // Fonts resolved before now went through the previous default.
        juce::Typeface::clearTypefaceCache();
    }

    ~EmbeddedFontLook() override
    {
        if (&juce::LookAndFeel::getDefaultLookAndFeel() == this)
            juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override
    {
        // Each font file is a family of one style: bold is chosen here, not by the family.
        if (font.getTypefaceName() == juce::Font::getDefaultSansSerifFontName() && regular != nullptr && bold != nullptr)
            return font.isBold() ? bold : regular;
        return LookAndFeel_V4::getTypefaceForFont (font);
    }

private:
    juce::Typeface::Ptr regular = embeddedTypeface (KravellFonts::DejaVuSans_ttf, KravellFonts::DejaVuSans_ttfSize);
    juce::Typeface::Ptr bold = embeddedTypeface (KravellFonts::DejaVuSansBold_ttf, KravellFonts::DejaVuSansBold_ttfSize);
};
} // namespace

struct PlatformFonts::Holder
{
    juce::SharedResourcePointer<EmbeddedFontLook> look;
};

PlatformFonts::PlatformFonts() :
    holder (std::make_unique<Holder>()) { }

PlatformFonts::~PlatformFonts() = default;
