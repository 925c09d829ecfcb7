#pragma once

#include "ClickTarget.h"
#include "CustomLookAndFeel.h"
#include "Product.h"
#include "ScreenText.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <optional>
#include <vector>

class panel_eula;
class panel_support;
class panel_success;

/** The main screen and the owner of all of the program's state.

    Every clickable area is a transparent, named TextButton that only catches the mouse and the
    keyboard; paint() draws their faces from their hover and press state, and clicks are
    dispatched by name. The texts that paint() draws are laid out again as transparent texts for
    screen readers, in reading order.
*/
class MainComponent : public juce::Component,
                      public juce::Button::Listener
{
public:
    MainComponent();
    ~MainComponent() override;

    void paint (juce::Graphics&) override;
    void modifierKeysChanged (const juce::ModifierKeys&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;
    void resized() override;

    void buttonClicked (juce::Button*) override;
    void buttonStateChanged (juce::Button*) override;

    //==============================================================================
    // Read-only views for the panels' owner logic and for tests.
    float getUnit() const noexcept { return unit; }
    bool isSelected (int formatIndex) const noexcept
    {
        jassert (Product::isFormatIndex (formatIndex));
        return selected[(size_t) formatIndex];
    }
    bool isUninstallMode() const noexcept { return uninstallMode; }
    const juce::File& getInstallFolder (int formatIndex) const noexcept
    {
        jassert (Product::isFormatIndex (formatIndex));
        return installFolders[(size_t) formatIndex];
    }
    const juce::File& getSettingsFolder() const noexcept { return settingsFolder; }
    const juce::String& getProductName() const noexcept { return productName; }
    juce::Label& getHelpLabel() const noexcept { return *helpLabel; }
    panel_eula* getEulaPanel() const noexcept { return eulaPanel.get(); }
    panel_support* getSupportPanel() const noexcept { return supportPanel.get(); }
    panel_success* getResultPanel() const noexcept { return resultPanel.get(); }

    /** The help line's text for the button of this name while the pointer is over it, or
        nothing when hovering that button leaves the line as it is. */
    std::optional<juce::String> helpTextFor (const juce::String& buttonName) const;

    /** A format tile's state line as painted, read from the disk now: "v2.1.4.0 INSTALLED",
        "INSTALLED" or "NOT INSTALLED". */
    juce::String tileStatus (int formatIndex) const;

    /** Gives the result notice another fade length while it lives, for tests that need the fade
        over sooner than the user would see it. */
    class ScopedResultFade
    {
    public:
        explicit ScopedResultFade (int milliseconds) : previous (resultFadeMilliseconds) { resultFadeMilliseconds = milliseconds; }
        ~ScopedResultFade() { resultFadeMilliseconds = previous; }

    private:
        const int previous;
        JUCE_DECLARE_NON_COPYABLE (ScopedResultFade)
    };

private:
    void runInstallOperation();
    void showResultPanel (bool verdict);

    template <typename Panel>
    void placePanel (Panel&);

    template <typename Panel>
    void openPanel (Panel&, juce::Component& opener);

    void paintLinkButtons (juce::Graphics&);
    void paintActionButtons (juce::Graphics&);
    void paintFormatTiles (juce::Graphics&);
    void paintFocusMark (juce::Graphics&);

    juce::String titleLine() const;
    juce::String versionLine() const;
    void announceTicks();

    juce::Font regularFont (float height) const;

    //==============================================================================
    // How long the result notice takes to fade out.
    static inline int resultFadeMilliseconds = 3000;

    int storedModifierBits = 0;
    CustomLookAndFeel lookAndFeel;
    float unit = 9.0f;

    juce::String productName, productVersion, platformSuffix;

    std::array<std::unique_ptr<ClickTarget>, 4> linkButtons;
    Product::PerFormat<std::unique_ptr<ClickTarget>> formatButtons;
    std::unique_ptr<ClickTarget> installButton;
    std::unique_ptr<ClickTarget> selectAllButton;

    // The painted texts above the help line, each with its box in units, for screen readers.
    std::vector<std::pair<std::unique_ptr<ScreenText>, juce::Rectangle<float>>> screenTexts;

    std::unique_ptr<panel_eula> eulaPanel;
    std::unique_ptr<panel_support> supportPanel;

    std::unique_ptr<juce::Label> helpLabel;

    Product::PerFormat<std::unique_ptr<juce::Drawable>> formatIcons;

    // Entries 0 to 3 belong to the link buttons, entry 4 is the action button's icon.
    std::array<std::unique_ptr<juce::Drawable>, 5> linkIcons;

    std::unique_ptr<panel_success> resultPanel;

    // One animator per notice still fading, the newest last (see showResultPanel). Declared
    // after the panel, so that the snapshots go before it when the screen closes.
    std::vector<std::unique_ptr<juce::ComponentAnimator>> resultFades;

    juce::URL productPageAddress, manualAddress;
    juce::File settingsFolder;

    bool uninstallMode = false;
    Product::PerFormat<bool> selected {};
    Product::PerFormat<juce::File> installFolders;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
