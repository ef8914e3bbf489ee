#include <juce_audio_plugin_client/juce_audio_plugin_client.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

#include "platform/ProductInfo.h"

#include <iostream>

/** The standalone app: the plug-in's editor in the framework's standalone window, with its
    audio and MIDI settings. The window's settings and the plug-in's state are kept beside the
    user presets and restored at the next start. With no audio device to open (a machine
    without a sound card, or none chosen), the app still runs, and says so in its title, in a
    message and on the terminal, since it would otherwise sit silent without a reason. */
class KravellStandaloneApp final : public juce::JUCEApplication,
                                   private juce::ChangeListener
{
public:
    KravellStandaloneApp()
    {
        const ProductInfo product;
        juce::PropertiesFile::Options options;
        options.applicationName = product.productName;
        options.filenameSuffix = ".settings";
        options.folderName = "~/.config/" + product.companyFolder + "/" + product.productName;
        appProperties.setStorageParameters (options);
    }

    const juce::String getApplicationName() override { return ProductInfo().productName; }
    const juce::String getApplicationVersion() override { return ProductInfo().version; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void anotherInstanceStarted (const juce::String&) override {}

    void initialise (const juce::String&) override
    {
        auto holder = std::make_unique<juce::StandalonePluginHolder> (appProperties.getUserSettings(), false);

        if (juce::Desktop::getInstance().getDisplays().displays.isEmpty())
        {
            // Without a display there is no window to show, but the audio still runs.
            headlessHolder = std::move (holder);
            reportDeviceState (headlessHolder->deviceManager);
            return;
        }

        const auto background = juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
        window = std::make_unique<juce::StandaloneFilterWindow> (getApplicationName(), background, std::move (holder));
        window->setVisible (true);
        window->getDeviceManager().addChangeListener (this);
        reportDeviceState (window->getDeviceManager());
    }

    void shutdown() override
    {
        noDeviceMessage.close();

        if (window != nullptr)
            window->getDeviceManager().removeChangeListener (this);

        window = nullptr;
        headlessHolder = nullptr;
        appProperties.saveIfNeeded();
    }

    void systemRequestedQuit() override
    {
        if (window != nullptr)
            window->pluginHolder->savePluginState();

        if (headlessHolder != nullptr)
            headlessHolder->savePluginState();

        noDeviceMessage.close();
        quit();
    }

private:
    void changeListenerCallback (juce::ChangeBroadcaster*) override
    {
        if (window != nullptr)
            reportDeviceState (window->getDeviceManager());
    }

    /** Shows in the title whether sound can flow, and explains once when it cannot. */
    void reportDeviceState (juce::AudioDeviceManager& deviceManager)
    {
        const auto hasDevice = deviceManager.getCurrentAudioDevice() != nullptr;

        if (window != nullptr)
            window->setName (hasDevice ? getApplicationName() : getApplicationName() + " - no audio device");

        if (hasDevice)
        {
            noDeviceMessage.close();
            return;
        }

        if (toldAboutMissingDevice)
            return;

        toldAboutMissingDevice = true;
        std::cerr << "Kravell: no audio device could be opened, so no sound will play. "
                     "Choose one in Options > Audio/MIDI Settings..."
                  << std::endl;

        if (window != nullptr)
        {
            const auto options = juce::MessageBoxOptions::makeOptionsOk (juce::MessageBoxIconType::WarningIcon,
                                                                         "No audio device",
                                                                         "Kravell found no audio device to play through, so you will hear nothing.\n\n"
                                                                         "Connect one, then choose it under Options > Audio/MIDI Settings...",
                                                                         "OK",
                                                                         window.get());
            noDeviceMessage = juce::AlertWindow::showScopedAsync (options, nullptr);
        }
    }

    juce::ApplicationProperties appProperties;
    std::unique_ptr<juce::StandaloneFilterWindow> window;
    std::unique_ptr<juce::StandalonePluginHolder> headlessHolder;
    juce::ScopedMessageBox noDeviceMessage;
    bool toldAboutMissingDevice = false;
};

// The framework's standalone wrapper supplies main() and asks for the application here.
JUCE_CREATE_APPLICATION_DEFINE (KravellStandaloneApp)
