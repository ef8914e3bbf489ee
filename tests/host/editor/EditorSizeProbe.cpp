// Opens Kravell's editor once, in this fresh process, as a Linux VST3 host does, and prints
// what the host sees of its size. The editor size tests run it many times.
//
//   EditorSizeProbe BUNDLE first
//       createView, then the first IPlugView::getSize:       "first W H"
//   EditorSizeProbe BUNDLE host AFTER_MS SIZE...
//       the view attached to a real X window with the host's run loop; AFTER_MS after the
//       attach the host passes each size (WxH, or "opening" for the view's first size) on to
//       the view, a few milliseconds apart (checkSizeConstraint, then onSize with the answer),
//       as hosts do when the window system resizes them; then the run loop goes on for a
//       while. Prints "opening W H", "constrained W H" for each size, one "resizeView W H" per
//       request from the plug-in, and "final W H" (getSize at the end).
//   EditorSizeProbe BUNDLE capture PPM [HOST_SCALE]
//       the view attached to a real X window of the size getSize gives, with the host's run
//       loop, until it has painted; with HOST_SCALE, the host first announces that content
//       scale (IPlugViewContentScaleSupport), as hosts with a scale setting of their own do.
//       Prints "size W H" (getSize), "window W H" (the host's window), "child W H" (the window
//       the editor draws into) and saves what the X server shows of the host's window to PPM.

#include "host/damaged/RawHost.h"

#include <pluginterfaces/gui/iplugview.h>
#include <pluginterfaces/gui/iplugviewcontentscalesupport.h>

#include "support/WindowCapture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace Steinberg;

/** The host's side of the view: its frame (which answers resizeView the way hosts do, by
    resizing and confirming with onSize) and the Linux run loop the plug-in's timers and
    window events are served on. */
class HostFrame final : public IPlugFrame,
                        public Linux::IRunLoop
{
public:
    IPlugView* view = nullptr;

    tresult PLUGIN_API queryInterface (const TUID iid, void** obj) override
    {
        if (FUnknownPrivate::iidEqual (iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
        {
            *obj = static_cast<IPlugFrame*> (this);
            return kResultOk;
        }
        if (FUnknownPrivate::iidEqual (iid, Linux::IRunLoop::iid))
        {
            *obj = static_cast<Linux::IRunLoop*> (this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }

    // Lives on the stack for the whole run.
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    tresult PLUGIN_API resizeView (IPlugView* requester, ViewRect* newSize) override
    {
        if (requester == nullptr || newSize == nullptr)
            return kInvalidArgument;
        std::printf ("resizeView %d %d\n", newSize->getWidth(), newSize->getHeight());
        auto confirmed = *newSize;
        return requester->onSize (&confirmed);
    }

    tresult PLUGIN_API registerEventHandler (Linux::IEventHandler* handler, Linux::FileDescriptor fd) override
    {
        handlers.push_back ({ handler, fd }); // one handler may watch several descriptors
        return kResultTrue;
    }

    tresult PLUGIN_API unregisterEventHandler (Linux::IEventHandler* handler) override
    {
        handlers.erase (std::remove_if (handlers.begin(), handlers.end(), [handler] (const auto& entry) { return entry.first == handler; }), handlers.end());
        return kResultTrue;
    }

    tresult PLUGIN_API registerTimer (Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) override
    {
        timers[handler] = { std::chrono::milliseconds (milliseconds), Clock::now() + std::chrono::milliseconds (milliseconds) };
        return kResultTrue;
    }

    tresult PLUGIN_API unregisterTimer (Linux::ITimerHandler* handler) override
    {
        timers.erase (handler);
        return kResultTrue;
    }

    /** Serves file descriptors and timers for the given time, on this (the host's UI) thread. */
    void run (int milliseconds)
    {
        const auto end = Clock::now() + std::chrono::milliseconds (milliseconds);
        while (Clock::now() < end)
        {
            const auto watched = handlers;
            std::vector<pollfd> fds;
            for (const auto& entry : watched)
                fds.push_back ({ entry.second, POLLIN, 0 });
            poll (fds.data(), (nfds_t) fds.size(), 5);
            for (size_t i = 0; i < fds.size(); ++i)
                if ((fds[i].revents & POLLIN) != 0 && std::find (handlers.begin(), handlers.end(), watched[i]) != handlers.end())
                    watched[i].first->onFDIsSet (fds[i].fd);

            const auto now = Clock::now();
            std::vector<Linux::ITimerHandler*> due;
            for (auto& [handler, timer] : timers)
                if (now >= timer.next)
                {
                    timer.next = now + timer.interval;
                    due.push_back (handler);
                }
            for (auto* handler : due)
                if (timers.count (handler) != 0)
                    handler->onTimer();
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Timer
    {
        Clock::duration interval;
        Clock::time_point next;
    };
    std::vector<std::pair<Linux::IEventHandler*, Linux::FileDescriptor>> handlers;
    std::map<Linux::ITimerHandler*, Timer> timers;
};

ViewRect sizeOf (IPlugView& view)
{
    ViewRect rect;
    view.getSize (&rect);
    return rect;
}

/** The view attached to a new X window of its own size, with the host's frame and run loop,
    as a host embeds it; detached again when this goes. */
class EmbeddedView
{
public:
    EmbeddedView (IPlugView& viewToEmbed, const ViewRect& size) :
        view (viewToEmbed), display (XOpenDisplay (nullptr))
    {
        if (display == nullptr)
        {
            problem = "no display";
            return;
        }
        window = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, 0, (unsigned) size.getWidth(), (unsigned) size.getHeight(), 0, 0, 0);
        // The title a test driving the window from outside finds it by.
        const auto* title = std::getenv ("KRAVELL_PROBE_TITLE");
        XStoreName (display, window, title != nullptr ? title : "Kravell Probe");
        XMapWindow (display, window);
        XSync (display, False);

        frame.view = &view;
        view.setFrame (&frame);
        attached = view.attached (reinterpret_cast<void*> (window), kPlatformTypeX11EmbedWindowID) == kResultTrue;
        if (! attached)
            problem = "attach failed";
    }

    ~EmbeddedView()
    {
        if (attached)
            view.removed();
        view.setFrame (nullptr);
        if (display != nullptr)
        {
            XDestroyWindow (display, window);
            XCloseDisplay (display);
        }
    }

    /** Prints what went wrong, if anything, and returns the probe's exit code for it (0 when
        the view is embedded). */
    int reportProblem() const
    {
        if (problem.empty())
            return 0;
        std::printf ("%s\n", problem.c_str());
        return display == nullptr ? 2 : 3;
    }

    std::string problem;
    IPlugView& view;
    ::Display* display;
    Window window = 0;
    HostFrame frame;

private:
    bool attached = false;
};

int hostTheView (IPlugView& view, int afterMs, const std::vector<std::string>& sizes)
{
    const auto opening = sizeOf (view);
    std::printf ("opening %d %d\n", opening.getWidth(), opening.getHeight());

    EmbeddedView embedded (view, opening);
    if (const auto failed = embedded.reportProblem())
        return failed;

    embedded.frame.run (afterMs);
    for (const auto& size : sizes)
    {
        auto asked = opening;
        if (size != "opening")
            asked = { 0, 0, std::atoi (size.c_str()), std::atoi (size.c_str() + size.find ('x') + 1) };
        view.checkSizeConstraint (&asked);
        std::printf ("constrained %d %d\n", asked.getWidth(), asked.getHeight());
        view.onSize (&asked);
        embedded.frame.run (5);
    }
    embedded.frame.run (1000);

    const auto final = sizeOf (view);
    std::printf ("final %d %d\n", final.getWidth(), final.getHeight());
    std::fflush (stdout);
    return 0;
}

int captureTheView (IPlugView& view, const char* picture, float hostScale)
{
    if (hostScale > 0.0f)
    {
        IPlugViewContentScaleSupport* scaleSupport = nullptr;
        if (view.queryInterface (IPlugViewContentScaleSupport::iid, reinterpret_cast<void**> (&scaleSupport)) != kResultOk || scaleSupport == nullptr)
        {
            std::printf ("no content scale support\n");
            return 5;
        }
        scaleSupport->setContentScaleFactor (hostScale);
        scaleSupport->release();
    }

    const auto size = sizeOf (view);
    std::printf ("size %d %d\n", size.getWidth(), size.getHeight());

    EmbeddedView embedded (view, size);
    if (const auto failed = embedded.reportProblem())
        return failed;
    embedded.frame.run (2000);

    windowcapture::printGeometry (embedded.display, embedded.window);
    windowcapture::savePicture (embedded.display, embedded.window, picture);
    std::fflush (stdout);
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf (stderr, "usage: %s BUNDLE first | host AFTER_MS SIZE... | capture PPM [HOST_SCALE]\n", argv[0]);
        return 1;
    }

    rawhost::Module module { juce::File (argv[1]) };
    int result = 0;
    {
        rawhost::Instance instance (module);
        auto* view = instance.controller->createView (Vst::ViewType::kEditor);
        if (view == nullptr)
        {
            std::printf ("no view\n");
            return 4;
        }

        if (std::string (argv[2]) == "host" && argc >= 5)
        {
            result = hostTheView (*view, std::atoi (argv[3]), std::vector<std::string> (argv + 4, argv + argc));
        }
        else if (std::string (argv[2]) == "capture" && (argc == 4 || argc == 5))
        {
            result = captureTheView (*view, argv[3], argc == 5 ? (float) std::atof (argv[4]) : 0.0f);
        }
        else
        {
            const auto first = sizeOf (*view);
            std::printf ("first %d %d\n", first.getWidth(), first.getHeight());
        }
        std::fflush (stdout);
        view->release();
    }
    return result;
}
