// The editor at a Windows display scale (100, 125, 150 or 200 %, set for the run by the test
// script as Windows stores it), in a host that announces the scale to the view and in one that
// leaves the view to find it, both giving the view a frame to ask for sizes through, as DAWs do.
// What a user sees is compared with the same editor at 100 %, scaled back: the whole editor,
// no part cut off and no blank band.

#include "EditorLayout.h"
#include "HostWindow.h"
#include "PngFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace host;

namespace
{
constexpr double ratio = 1.61;
constexpr int minimumWidth = 500, maximumWidth = 1700;

struct Picture
{
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

/** Takes a picture of what a window shows, with the mouse away from it: a button under the
    pointer is drawn lit. */
Picture captureOf (HWND window)
{
    SetCursorPos (GetSystemMetrics (SM_CXSCREEN) - 1, GetSystemMetrics (SM_CYSCREEN) - 1);
    pumpMessages (std::chrono::milliseconds (300));
    Picture picture;
    picture.rgb = capture (window, picture.width, picture.height);
    return picture;
}

/** The picture shrunk (or grown) to a size, each new pixel the area-weighted mean of the old
    pixels it covers: what the eye sees of it at the other scale. */
Picture resampled (const Picture& source, int width, int height)
{
    Picture result { width, height, std::vector<uint8_t> ((size_t) width * (size_t) height * 3) };
    const auto sx = (double) source.width / width, sy = (double) source.height / height;
    for (int y = 0; y < height; ++y)
    {
        const auto y0 = y * sy, y1 = (y + 1) * sy;
        for (int x = 0; x < width; ++x)
        {
            const auto x0 = x * sx, x1 = (x + 1) * sx;
            double sum[3] = {}, weight = 0.0;
            for (auto py = (int) y0; py < std::min ((int) std::ceil (y1), source.height); ++py)
            {
                const auto wy = std::min (y1, py + 1.0) - std::max (y0, (double) py);
                for (auto px = (int) x0; px < std::min ((int) std::ceil (x1), source.width); ++px)
                {
                    const auto w = wy * (std::min (x1, px + 1.0) - std::max (x0, (double) px));
                    const auto* pixel = &source.rgb[((size_t) py * (size_t) source.width + (size_t) px) * 3];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * pixel[c];
                    weight += w;
                }
            }
            for (int c = 0; c < 3; ++c)
                result.rgb[((size_t) y * (size_t) width + (size_t) x) * 3 + (size_t) c] = (uint8_t) std::lround (sum[c] / std::max (weight, 1e-9));
        }
    }
    return result;
}

/** The mean absolute difference of two pictures of one size, per channel level, over the
    whole and over the worst of a grid of tiles (a cut-off part or a blank band shows there). */
struct Difference
{
    double mean = 0.0, worstTile = 0.0;
};

Difference differenceOf (const Picture& a, const Picture& b)
{
    constexpr int tiles = 8;
    double tileSums[tiles][tiles] = {}, tileCounts[tiles][tiles] = {}, total = 0.0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
        {
            const auto i = ((size_t) y * (size_t) a.width + (size_t) x) * 3;
            double d = 0.0;
            for (size_t c = 0; c < 3; ++c)
                d += std::abs ((int) a.rgb[i + c] - (int) b.rgb[i + c]);
            d /= 3.0;
            total += d;
            tileSums[y * tiles / a.height][x * tiles / a.width] += d;
            tileCounts[y * tiles / a.height][x * tiles / a.width] += 1.0;
        }
    Difference result;
    result.mean = total / ((double) a.width * a.height);
    for (int ty = 0; ty < tiles; ++ty)
        for (int tx = 0; tx < tiles; ++tx)
            result.worstTile = std::max (result.worstTile, tileSums[ty][tx] / std::max (tileCounts[ty][tx], 1.0));
    return result;
}

void keepForReview (const Picture& picture, const std::string& name)
{
    const auto folder = environment ("KRAVELL_OUTPUT");
    if (! folder.empty())
        writePng (folder + "\\" + name, picture.width, picture.height, picture.rgb);
}

ViewRect currentSize (IPlugView& view)
{
    ViewRect size {};
    view.getSize (&size);
    return size;
}

/** The editor's logical size for a physical one at a scale. */
SIZE logicalSize (const ViewRect& size, double scale)
{
    return { std::lround (size.getWidth() / scale), std::lround (size.getHeight() / scale) };
}

/** A physical length is the logical one times the scale, to the nearest pixel. */
void expectPhysicalOf (int physicalLength, long logicalLength, double scale)
{
    EXPECT_LE (std::abs (physicalLength - logicalLength * scale), 0.5) << physicalLength << " for " << logicalLength << " logical pixels at " << scale;
}

/** The view, the plug-in's own window in it and the host's window all have one size. */
void expectOneSize (EditorWindow& editor, const ViewRect& expected)
{
    const auto reported = currentSize (*editor.view());
    EXPECT_EQ (reported.getWidth(), expected.getWidth());
    EXPECT_EQ (reported.getHeight(), expected.getHeight());
    const auto own = clientSize (editor.pluginWindow());
    EXPECT_EQ (own.cx, expected.getWidth()) << "the plug-in's own window";
    EXPECT_EQ (own.cy, expected.getHeight()) << "the plug-in's own window";
    const auto host = clientSize (editor.window());
    EXPECT_EQ (host.cx, expected.getWidth()) << "the host's window";
    EXPECT_EQ (host.cy, expected.getHeight()) << "the host's window";
}

/** The editor at 100 %, at a logical size, as the reference a scaled capture must match. */
Picture referenceAt (Plugin& plugin, SIZE logical)
{
    EditorWindow reference (plugin.controller(), { true, 1.0 });
    if (! reference.attachedOk())
        throw std::runtime_error ("the reference view did not attach");
    const auto allowed = reference.resizeTo (logical.cx, logical.cy);
    if (allowed.getWidth() != logical.cx || allowed.getHeight() != logical.cy)
        throw std::runtime_error ("the reference view would not take the scaled view's logical size");
    pumpMessages (std::chrono::milliseconds (700));
    auto picture = captureOf (reference.window());
    reference.close();
    pumpMessages (std::chrono::milliseconds (100));
    return picture;
}

/** Each new top-level window of this thread that a click opens, with its size; the window is
    closed again with Escape. */
SIZE sizeOfWindowOpenedBy (HWND window, POINT clickPoint, RECT& screenBounds)
{
    const auto before = threadWindows();
    clickAt (window, clickPoint);
    HWND opened = nullptr;
    pumpUntil ([&]
               {
                   for (auto* candidate : threadWindows())
                       if (std::find (before.begin(), before.end(), candidate) == before.end())
                           opened = candidate;
                   return opened != nullptr;
               },
               std::chrono::seconds (5));
    if (opened == nullptr)
        return {};
    pumpMessages (std::chrono::milliseconds (300));
    GetWindowRect (opened, &screenBounds);
    const auto size = clientSize (opened);
    pressKey (opened, VK_ESCAPE);
    pumpUntil ([&]
               { return ! IsWindowVisible (opened); },
               std::chrono::seconds (5));
    return size;
}

RECT screenArea()
{
    return { 0, 0, GetSystemMetrics (SM_CXSCREEN), GetSystemMetrics (SM_CYSCREEN) };
}

struct HostMode
{
    const char* name;
    bool announcesScale;
};

std::string percentName()
{
    return std::to_string (std::lround (displayScale() * 100.0));
}

class EditorAtScale : public ::testing::TestWithParam<HostMode>
{
protected:
    void SetUp() override
    {
        ASSERT_NEAR (systemScale(), scale, 0.01) << "this Windows does not run at the display scale the test is for";
    }

    HostBehaviour behaviour() const { return { true, GetParam().announcesScale ? scale : 0.0 }; }

    const double scale = displayScale();
    Plugin plugin;
};
} // namespace

TEST_P (EditorAtScale, OpensWholeAtItsSizeInLogicalPixelsTimesTheScale)
{
    EditorWindow editor (plugin.controller(), behaviour());
    ASSERT_TRUE (editor.attachedOk());
    const auto opening = editor.openingSize();

    // The opening size follows the work area in logical pixels, at the ratio and within the
    // limits, and the host's window made from it fits the work area.
    RECT work {};
    SystemParametersInfoW (SPI_GETWORKAREA, 0, &work, 0);
    const auto logical = logicalSize (opening, scale);
    expectPhysicalOf (opening.getWidth(), logical.cx, scale);
    expectPhysicalOf (opening.getHeight(), logical.cy, scale);
    EXPECT_GE (logical.cx, minimumWidth);
    EXPECT_LE (logical.cx, maximumWidth);
    EXPECT_NEAR ((double) logical.cx / logical.cy, ratio, 0.005);
    EXPECT_LE (opening.getWidth(), work.right - work.left);
    EXPECT_LE (opening.getHeight(), work.bottom - work.top);
    if (logical.cx < maximumWidth)
    {
        EXPECT_NEAR (logical.cy, (work.bottom - work.top) / scale * 0.75, 1.0) << "three quarters of the logical work area's height";
    }

    pumpMessages (std::chrono::milliseconds (1500));
    // Whole from the first size it gave: the window the host made needs no correction.
    for (const auto& asked : editor.resizeRequests())
    {
        EXPECT_EQ (asked.getWidth(), opening.getWidth()) << "the view asked for another size once attached";
        EXPECT_EQ (asked.getHeight(), opening.getHeight()) << "the view asked for another size once attached";
    }
    expectOneSize (editor, opening);

    const auto shown = captureOf (editor.window());
    const auto name = "kravell-editor-windows-" + percentName() + "-" + (GetParam().announcesScale ? "announced" : "found") + ".png";
    keepForReview (shown, name);
    editor.close();
    pumpMessages (std::chrono::milliseconds (100));

    const auto reference = referenceAt (plugin, logical);
    const auto difference = differenceOf (resampled (shown, reference.width, reference.height), reference);
    std::printf ("[ scale %s %% ] %s: %d x %d shown for %ld x %ld logical; against 100 %%: mean %.2f, worst tile %.2f levels\n",
                 percentName().c_str(), GetParam().name, shown.width, shown.height, logical.cx, logical.cy, difference.mean, difference.worstTile);
    EXPECT_LT (difference.mean, 4.0);
    EXPECT_LT (difference.worstTile, 10.0);
}

TEST_P (EditorAtScale, ClicksAndDragsLandWhereTheUserPointsAtIt)
{
    EditorWindow editor (plugin.controller(), behaviour());
    ASSERT_TRUE (editor.attachedOk());
    pumpMessages (std::chrono::milliseconds (800));
    const auto size = currentSize (*editor.view());
    const auto logical = logicalSize (size, scale);
    const auto buttons = menuBarButtonsFor (logical.cx, logical.cy);
    const auto atScale = [this] (POINT p)
    { return POINT { physical (p.x, scale), physical (p.y, scale) }; };

    // The Save button, clicked at its scaled centre, opens the dialog, fully on screen; the
    // dialog and the preset menu come at the editor's scale.
    RECT dialogBounds {}, menuBounds {};
    const auto dialog = sizeOfWindowOpenedBy (editor.pluginWindow(), atScale (centreOf (buttons.save)), dialogBounds);
    ASSERT_GT (dialog.cx, 0) << "the Save button opened nothing";
    EXPECT_TRUE (findThreadWindow (L"Save Preset") == nullptr) << "the dialog did not close";
    const auto menu = sizeOfWindowOpenedBy (editor.pluginWindow(), atScale (centreOf (buttons.presets)), menuBounds);
    ASSERT_GT (menu.cx, 0) << "the preset button opened nothing";
    const auto screen = screenArea();
    for (const auto& bounds : { dialogBounds, menuBounds })
    {
        EXPECT_GE (bounds.left, screen.left);
        EXPECT_GE (bounds.top, screen.top);
        EXPECT_LE (bounds.right, screen.right);
        EXPECT_LE (bounds.bottom, screen.bottom);
    }

    // A knob dragged up by some physical pixels moves as far as that many logical pixels
    // divided by the scale move it at 100 %.
    const auto knob = attackKnobCentreFor (logical.cx, logical.cy);
    const auto attack = plugin.idOfTitle ("Attack");
    const auto start = plugin.controller().getParamNormalized (attack);
    constexpr int dragLength = 40;
    dragFrom (editor.pluginWindow(), atScale (knob), atScale ({ knob.x, knob.y - dragLength }));
    const auto movedAtScale = plugin.controller().getParamNormalized (attack) - start;
    editor.close();
    pumpMessages (std::chrono::milliseconds (100));

    plugin.controller().setParamNormalized (attack, start);
    EditorWindow reference (plugin.controller(), { true, 1.0 });
    ASSERT_TRUE (reference.attachedOk());
    reference.resizeTo (logical.cx, logical.cy);
    pumpMessages (std::chrono::milliseconds (800));
    dragFrom (reference.pluginWindow(), knob, { knob.x, knob.y - dragLength });
    const auto movedAtOne = plugin.controller().getParamNormalized (attack) - start;
    RECT referenceDialogBounds {}, referenceMenuBounds {};
    const auto referenceDialog = sizeOfWindowOpenedBy (reference.pluginWindow(), centreOf (buttons.save), referenceDialogBounds);
    const auto referenceMenu = sizeOfWindowOpenedBy (reference.pluginWindow(), centreOf (buttons.presets), referenceMenuBounds);

    EXPECT_GT (movedAtOne, 0.05) << "the drag at 100 % moved the knob too little to compare";
    EXPECT_NEAR (movedAtScale, movedAtOne, 0.01) << "a drag of " << physical (dragLength, scale) << " physical pixels";
    EXPECT_NEAR ((double) dialog.cx / referenceDialog.cx, scale, 0.04) << "the dialog's scale";
    EXPECT_NEAR ((double) menu.cx / referenceMenu.cx, scale, 0.04) << "the preset menu's scale";
}

INSTANTIATE_TEST_SUITE_P (Hosts,
                          EditorAtScale,
                          ::testing::Values (HostMode { "host announces the scale", true },
                                             HostMode { "host leaves the plug-in to find it", false }),
                          [] (const ::testing::TestParamInfo<HostMode>& info)
                          { return info.param.announcesScale ? "AnnouncesTheScale" : "LeavesItToThePlugIn"; });

TEST (EditorScaleChange, WhileOpenTheViewTakesTheNewScalesSize)
{
    const auto scale = displayScale();
    Plugin plugin;
    EditorWindow editor (plugin.controller(), { true, scale });
    ASSERT_TRUE (editor.attachedOk());
    pumpMessages (std::chrono::milliseconds (800));
    const auto before = currentSize (*editor.view());
    const auto logical = logicalSize (before, scale);

    // Dragged to a monitor with another scale, and back: the same logical size, exactly.
    for (const auto newScale : { scale == 2.0 ? 1.25 : 2.0, scale })
    {
        SCOPED_TRACE ("to " + std::to_string (newScale));
        ASSERT_TRUE (editor.announceScale (newScale));
        pumpMessages (std::chrono::milliseconds (600));
        ASSERT_FALSE (editor.resizeRequests().empty()) << "the view asked for no new size";
        const auto asked = editor.resizeRequests().back();
        expectPhysicalOf (asked.getWidth(), logical.cx, newScale);
        expectPhysicalOf (asked.getHeight(), logical.cy, newScale);
        expectOneSize (editor, asked);
    }
}
