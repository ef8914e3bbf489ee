#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Keeps the editor's text the same on every platform: DejaVu Sans, regular and bold, as the
    default sans-serif typeface, which every panel, menu and dialog draws with.

    The module carries the two font files and, while any PlatformFonts exists, installs a
    default look that resolves the default sans-serif typeface to them. Windows has no DejaVu
    Sans, and the framework's own choice there (Verdana, or Bitstream Vera Sans under Wine,
    which is often missing) is wider; Linux distributions default to different sans-serif
    faces, or have DejaVu Sans only when a package pulls it in. Either would change the fitted
    labels and read-outs. The editor holds one for as long as it is open. */
class PlatformFonts final
{
public:
    PlatformFonts();
    ~PlatformFonts();

private:
    struct Holder;
    std::unique_ptr<Holder> holder;

    JUCE_DECLARE_NON_COPYABLE (PlatformFonts)
};
