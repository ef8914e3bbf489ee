// Opens Kravell's LV2 UI once, in this fresh process, as a Linux LV2 host with an X11 UI does
// (jalv and Ardour embed it the same way), and prints what the host sees of its size.
//
//   Lv2UiProbe BUNDLE_DIR PPM [HOST_SCALE]
//       the plug-in instantiated through lilv, its UI given the instance, a real X window as
//       its parent, the resize feature (the host resizes its window to each request) and the
//       idle interface called as a host's UI loop does, until it has painted; with HOST_SCALE,
//       the host's ui:scaleFactor option, as hosts with a scale setting give it. Prints one
//       "resize W H" per size request, "window W H" (the host's window), "child W H" (the
//       window the UI draws into) and saves what the X server shows of the host's window.

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "support/WindowCapture.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace
{
const char* const pluginUri = "https://dornel.audio/plugins/kravell";

struct Host
{
    Display* display = nullptr;
    Window window = 0;
    std::map<std::string, LV2_URID> ids;

    LV2_URID map (const char* uri)
    {
        return ids.emplace (uri, (LV2_URID) ids.size() + 1).first->second;
    }
};

int resizeHostWindow (LV2UI_Feature_Handle handle, int width, int height)
{
    auto* host = static_cast<Host*> (handle);
    std::printf ("resize %d %d\n", width, height);
    XResizeWindow (host->display, host->window, (unsigned) width, (unsigned) height);
    XFlush (host->display);
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3 && argc != 4)
    {
        std::fprintf (stderr, "usage: %s BUNDLE_DIR PPM [HOST_SCALE]\n", argv[0]);
        return 1;
    }

    Host host;
    host.display = XOpenDisplay (nullptr);
    if (host.display == nullptr)
    {
        std::printf ("no display\n");
        return 2;
    }

    auto* world = lilv_world_new();
    std::string bundleUri = "file://" + std::string (argv[1]);
    if (bundleUri.back() != '/')
        bundleUri += '/';
    auto* bundle = lilv_new_uri (world, bundleUri.c_str());
    lilv_world_load_bundle (world, bundle);
    auto* uri = lilv_new_uri (world, pluginUri);
    const auto* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uri);
    if (plugin == nullptr)
    {
        std::printf ("no plugin\n");
        return 3;
    }

    LV2_URID_Map map { &host, [] (LV2_URID_Map_Handle handle, const char* name) { return static_cast<Host*> (handle)->map (name); } };
    const LV2_Feature mapFeature { LV2_URID__map, &map };
    const LV2_Feature* pluginFeatures[] { &mapFeature, nullptr };
    auto* instance = lilv_plugin_instantiate (plugin, 48000.0, pluginFeatures);
    auto* uis = lilv_plugin_get_uis (plugin);
    const auto* ui = uis == nullptr ? nullptr : lilv_uis_get (uis, lilv_uis_begin (uis));
    if (instance == nullptr || ui == nullptr)
    {
        std::printf ("no instance or no UI\n");
        return 4;
    }

    char* uiBinary = lilv_file_uri_parse (lilv_node_as_uri (lilv_ui_get_binary_uri (ui)), nullptr);
    char* uiBundle = lilv_file_uri_parse (lilv_node_as_uri (lilv_ui_get_bundle_uri (ui)), nullptr);
    auto* library = dlopen (uiBinary, RTLD_NOW);
    const auto descriptorFunction = library == nullptr ? nullptr : reinterpret_cast<LV2UI_DescriptorFunction> (dlsym (library, "lv2ui_descriptor"));
    const auto* descriptor = descriptorFunction == nullptr ? nullptr : descriptorFunction (0);
    if (descriptor == nullptr)
    {
        std::printf ("no UI descriptor\n");
        return 5;
    }

    // A window of a host's default size; the UI's first size request resizes it.
    host.window = XCreateSimpleWindow (host.display, DefaultRootWindow (host.display), 0, 0, 400, 300, 0, 0, 0);
    XMapWindow (host.display, host.window);
    XSync (host.display, False);

    LV2UI_Resize resize { &host, resizeHostWindow };
    const LV2_Feature parentFeature { LV2_UI__parent, reinterpret_cast<void*> (host.window) };
    const LV2_Feature resizeFeature { LV2_UI__resize, &resize };
    const LV2_Feature instanceFeature { LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle (instance) };
    const LV2_Feature idleFeature { LV2_UI__idleInterface, nullptr };
    const auto hostScale = argc == 4 ? (float) std::atof (argv[3]) : 0.0f;
    const LV2_Options_Option options[] { { LV2_OPTIONS_INSTANCE, 0, host.map (LV2_UI__scaleFactor), sizeof (float), host.map (LV2_ATOM__Float), &hostScale },
                                         { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr } };
    const LV2_Feature optionsFeature { LV2_OPTIONS__options, const_cast<LV2_Options_Option*> (options) };
    const LV2_Feature* uiFeatures[] { &mapFeature, &parentFeature, &resizeFeature, &instanceFeature, &idleFeature, hostScale > 0.0f ? &optionsFeature : nullptr, nullptr };

    LV2UI_Widget widget = nullptr;
    auto* handle = descriptor->instantiate (descriptor, pluginUri, uiBundle, [] (LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {}, nullptr, &widget, uiFeatures);
    const auto* idle = handle == nullptr || descriptor->extension_data == nullptr ? nullptr : static_cast<const LV2UI_Idle_Interface*> (descriptor->extension_data (LV2_UI__idleInterface));
    if (handle == nullptr || idle == nullptr)
    {
        std::printf ("UI not instantiated\n");
        return 6;
    }

    // A host's UI loop: its own events, then the UI's idle call, at about 60 Hz.
    for (int frame = 0; frame < 120; ++frame)
    {
        while (XPending (host.display) > 0)
        {
            XEvent event;
            XNextEvent (host.display, &event);
        }
        idle->idle (handle);
        std::this_thread::sleep_for (std::chrono::milliseconds (16));
    }

    windowcapture::printGeometry (host.display, host.window);
    windowcapture::savePicture (host.display, host.window, argv[2]);
    std::fflush (stdout);

    descriptor->cleanup (handle);
    XDestroyWindow (host.display, host.window);
    XCloseDisplay (host.display);
    lilv_instance_free (instance);
    lilv_uis_free (uis);
    lilv_free (uiBinary);
    lilv_free (uiBundle);
    lilv_node_free (uri);
    lilv_node_free (bundle);
    lilv_world_free (world);
    // The UI's library stays loaded: the framework's statics outlive the last instance.
    return 0;
}
