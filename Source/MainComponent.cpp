#include "MainComponent.h"

#include "AddressLauncher.h"
#include "ButtonNames.h"
#include "EulaText.h"
#include "FocusMark.h"
#include "FontFactory.h"
#include "InstallEngine.h"
#include "InstalledState.h"
#include "LeftoverScript.h"
#include "Palette.h"
#include "Product.h"
#include "ProgramInfo.h"
#include "SharedSettings.h"
#include "StatusAnnouncer.h"
#include "SystemFolders.h"
#include "Widgets.h"
#include "panel_eula.h"
#include "panel_success.h"
#include "panel_support.h"

#include <BinaryData.h>

#include <algorithm>

namespace
{
// What a user calls each button of Product::linkNames, in the same order.
const juce::StringArray linkTitles { "Licence agreement", "Manual", "Web page", "Support" };

juce::String actionTitle (bool uninstall)
{
    return uninstall ? "Uninstall" : "Install";
}

juce::String statusText (bool installed, const juce::String& version)
{
    if (! installed)
        return "NOT INSTALLED";

    return version.isNotEmpty() ? "v" + version + " INSTALLED" : juce::String ("INSTALLED");
}
} // namespace

//==============================================================================
MainComponent::MainComponent()
{
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);

    unit = 9.0f;
    uninstallMode = false;

    formatIcons[0] = Widgets::loadIcon (BinaryData::icon_vst3_svg, BinaryData::icon_vst3_svgSize);
    formatIcons[1] = Widgets::loadIcon (BinaryData::icon_clap_svg, BinaryData::icon_clap_svgSize);
    formatIcons[2] = Widgets::loadIcon (BinaryData::icon_aax_svg, BinaryData::icon_aax_svgSize);
    linkIcons[0] = Widgets::loadIcon (BinaryData::icon_eula_svg, BinaryData::icon_eula_svgSize);
    linkIcons[1] = Widgets::loadIcon (BinaryData::icon_manual_svg, BinaryData::icon_manual_svgSize);
    linkIcons[2] = Widgets::loadIcon (BinaryData::icon_web_svg, BinaryData::icon_web_svgSize);
    linkIcons[3] = Widgets::loadIcon (BinaryData::icon_help_svg, BinaryData::icon_help_svgSize);
    linkIcons[4] = Widgets::loadIcon (BinaryData::icon_install_svg, BinaryData::icon_install_svgSize);

    platformSuffix = Product::platformSuffix;

    const auto& system = SystemFolders::current();
    installFolders = system.defaultInstallFolders;

    productName = Product::name.replace ("_", " ");
    productVersion = Product::version;

    productPageAddress = juce::URL (Product::productPageAddress);
    manualAddress = juce::URL (Product::manualAddress);

    settingsFolder = SharedSettings::settingsFolderFor (system.commonApplicationData);
    SharedSettings::settle (settingsFolder, installFolders);

    for (size_t i = 0; i < linkButtons.size(); ++i)
        linkButtons[i] = Widgets::makeClickTarget (*this, *this, Product::linkNames[(int) i], linkTitles[(int) i]);

    for (size_t i = 0; i < formatButtons.size(); ++i)
    {
        // Installed formats start ticked, ready to be updated.
        selected[i] = InstalledState::isInstalled (installFolders[i], productName, (int) i);
        formatButtons[i] = Widgets::makeClickTarget (*this, *this, Product::formatNames[(int) i], Product::formatNames[(int) i]);
        formatButtons[i]->isTicked = [this, i]
        { return selected[i]; };
        formatButtons[i]->valueText = [this, i]
        { return tileStatus ((int) i); };
    }

    installButton = Widgets::makeClickTarget (*this, *this, ButtonNames::install, actionTitle (false));
    selectAllButton = Widgets::makeClickTarget (*this, *this, ButtonNames::selectAll, "Select all");

    for (auto* button : { linkButtons[0].get(), linkButtons[1].get(), linkButtons[2].get(), linkButtons[3].get(), formatButtons[0].get(), formatButtons[1].get(), formatButtons[2].get(), installButton.get(), selectAllButton.get() })
    {
        button->helpText = [this, name = button->getName()]
        { return helpTextFor (name).value_or (juce::String()); };

        // The help line follows the keyboard as it follows the pointer.
        button->onKeyboardFocus = [this, name = button->getName()]
        {
            if (const auto text = helpTextFor (name))
                helpLabel->setText (*text, juce::dontSendNotification);
        };
    }

    // The key's own modifiers decide, as the mouse's do for a click: Shift+Return uninstalls
    // wherever the pointer is.
    installButton->onKeyPress = [this] (const juce::ModifierKeys& modifiers)
    {
        modifierKeysChanged (modifiers);
        buttonClicked (installButton.get());
    };

    for (const auto& [text, box] : { std::pair { juce::String ("QUILLFEN"), juce::Rectangle<float> (4.0f, 1.5f, 20.0f, 4.5f) },
                                     { juce::String ("RACKHAND"), { 75.0f, 1.5f, 21.0f, 3.0f } },
                                     { "v" + ProgramInfo::version, { 75.0f, 4.5f, 21.0f, 2.0f } },
                                     { titleLine(), { 4.0f, 8.0f, 92.0f, 9.0f } },
                                     { versionLine(), { 4.0f, 16.0f, 92.0f, 4.0f } },
                                     { juce::String ("FORMATS"), { 4.0f, 22.5f, 40.0f, 4.5f } },
                                     { juce::String ("EXTRAS"), { 4.0f, 66.5f, 40.0f, 4.5f } } })
        screenTexts.emplace_back (Widgets::makeScreenText (*this, text), box);

    helpLabel = std::make_unique<juce::Label>();
    addAndMakeVisible (*helpLabel);
    helpLabel->setJustificationType (juce::Justification::centred);
    helpLabel->setColour (juce::Label::textColourId, Palette::greyAAA6A6.withAlpha ((juce::uint8) 128));
    helpLabel->setText (ProgramInfo::version, juce::dontSendNotification);

    // A press let go away from its button leaves the button's state as it was, so nothing else
    // would repaint the face that showed it pressed. A press anywhere also hides the focus mark.
    addMouseListener (this, true);

    // The screen holds the focus when its window does, and Tab goes round its own controls.
    setWantsKeyboardFocus (true);
    setFocusContainerType (FocusContainerType::keyboardFocusContainer);
    FocusMark::pointerUsed();

    setSize (600, 600);
}

MainComponent::~MainComponent()
{
    removeMouseListener (this);
    LeftoverScript::removeFrom (SystemFolders::current().temporary);
}

void MainComponent::mouseDown (const juce::MouseEvent&)
{
    FocusMark::pointerUsed();
}

void MainComponent::mouseUp (const juce::MouseEvent&)
{
    repaint();
}

bool MainComponent::keyPressed (const juce::KeyPress& key)
{
    // With the screen itself focused, as when its window has just become active, Tab enters the
    // controls at the first and Shift+Tab at the last. Once a control has the focus, JUCE moves
    // it on from there.
    const auto forwards = key == juce::KeyPress (juce::KeyPress::tabKey);

    if (! hasKeyboardFocus (false) || ! (forwards || key == juce::KeyPress (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0)))
        return false;

    const auto controls = createKeyboardFocusTraverser()->getAllComponents (this);

    if (controls.empty())
        return false;

    FocusMark::keyUsed();
    (forwards ? controls.front() : controls.back())->grabKeyboardFocus();
    return true;
}

//==============================================================================
juce::Font MainComponent::regularFont (float height) const
{
    return FontFactory::withTypeface (lookAndFeel.getRegularTypeface(), height);
}

void MainComponent::resized()
{
    unit = (float) getWidth() * 0.01f;
    const auto u = unit;

    auto linkX = 4.0f * u;

    for (auto& button : linkButtons)
    {
        button->setBounds (Widgets::roundedBounds (linkX, 73.5f * u, 10.0f * u, 10.0f * u));
        linkX += 11.5f * u;
    }

    installButton->setBounds (Widgets::roundedBounds (86.0f * u, 73.5f * u, 10.0f * u, 10.0f * u));
    selectAllButton->setBounds (Widgets::roundedBounds (80.0f * u, 22.5f * u, 16.0f * u, 4.0f * u));
    formatButtons[0]->setBounds (Widgets::roundedBounds (4.0f * u, 30.0f * u, 45.0f * u, 10.0f * u));
    formatButtons[1]->setBounds (Widgets::roundedBounds (51.0f * u, 30.0f * u, 45.0f * u, 10.0f * u));
    formatButtons[2]->setBounds (Widgets::roundedBounds (4.0f * u, 42.0f * u, 45.0f * u, 10.0f * u));

    for (auto& [text, box] : screenTexts)
        text->setBounds (Widgets::roundedBounds (box.getX() * u, box.getY() * u, box.getWidth() * u, box.getHeight() * u));

    helpLabel->setFont (regularFont (3.0f * u));
    helpLabel->setBounds (Widgets::roundedBounds (4.0f * u, 90.0f * u, 92.0f * u, 3.0f * u));

    // A panel object is kept covering the screen, open or closed, so a reopened one never
    // shows the layout of an older size.
    if (eulaPanel != nullptr)
        placePanel (*eulaPanel);

    if (supportPanel != nullptr)
        placePanel (*supportPanel);
}

template <typename Panel>
void MainComponent::placePanel (Panel& panel)
{
    panel.unit = unit;
    panel.setBounds (getBounds());
    panel.setAlwaysOnTop (true);
}

template <typename Panel>
void MainComponent::openPanel (Panel& panel, juce::Component& opener)
{
    // Focus moves into the panel and stays there; closing it hands the focus back to its button.
    panel.onClose = [opener = juce::Component::SafePointer<juce::Component> (&opener)]
    {
        if (opener != nullptr)
            opener->grabKeyboardFocus();
    };

    panel.grabKeyboardFocus();
}

//==============================================================================
void MainComponent::paint (juce::Graphics& g)
{
    const auto u = unit;
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();
    const auto typeface = lookAndFeel.getRegularTypeface();

    g.fillAll (Palette::background111111);

    g.setColour (Palette::blue0094d8);
    g.fillRect (juce::Rectangle<float> (0.0f, 0.0f, 100.0f * u, u));

    g.setColour (Palette::greyAAA6A6.withAlpha ((juce::uint8) 128));
    const auto dotX = w - 1.5f * u - 0.5f * u;
    const auto dotY = h - 1.5f * u - 0.5f * u;
    g.fillEllipse (dotX, dotY, u, u);
    g.fillEllipse (dotX, dotY - 2.0f * u, u, u);
    g.fillEllipse (dotX - 2.0f * u, dotY, u, u);

    const juce::Rectangle<float> titleBox (4.0f * u, 8.0f * u, w, 12.0f * u);

    g.setFont (FontFactory::withTypeface (typeface, FontFactory::defaultHeight()));
    g.setColour (Palette::greyAAA6A6);
    g.setFont (9.0f * u);
    g.drawText (titleLine(), titleBox, juce::Justification::topLeft, true);

    g.setFont (4.0f * u);
    g.setColour (Palette::greyAAA6A6.withAlpha ((juce::uint8) 128));
    g.drawText (versionLine(), titleBox, juce::Justification::bottomLeft, true);

    // Single-line origins are truncated, not rounded, so the wordmark never shifts by a pixel
    // between neighbouring sizes.
    const auto at = [u] (float multiple)
    { return (int) (multiple * u); };

    g.setColour (Palette::brightF5F5F5);
    g.setFont (4.0f * u);
    g.drawSingleLineText ("QUILL", at (4.0f), at (5.0f), juce::Justification::left);

    g.setFont (FontFactory::withTypeface (typeface, FontFactory::defaultHeight()));
    g.setFont (4.0f * u);
    g.setColour (Palette::greyAAA6A6);
    g.drawSingleLineText ("FEN", at (13.0f), at (5.0f), juce::Justification::left);

    g.setColour (Palette::greyAAA6A6.withAlpha ((juce::uint8) 128));
    g.setFont (3.0f * u);
    g.drawSingleLineText ("RACKHAND", at (75.0f), at (4.0f), juce::Justification::left);

    g.setFont (2.0f * u);
    g.drawSingleLineText ("v" + ProgramInfo::version, at (75.0f), at (6.0f), juce::Justification::left);

    g.setColour (Palette::greyAAA6A6);
    g.setFont (4.0f * u);
    g.drawSingleLineText ("FORMATS", at (4.0f), at (26.0f), juce::Justification::left);
    g.fillRect (juce::Rectangle<float> (4.0f * u, 27.5f * u, 92.0f * u, 0.25f * u));

    g.setColour (Palette::greyAAA6A6);
    g.drawSingleLineText ("EXTRAS", at (4.0f), at (70.0f), juce::Justification::left);
    g.fillRect (juce::Rectangle<float> (4.0f * u, 71.5f * u, 92.0f * u, 0.25f * u));

    paintLinkButtons (g);
    paintActionButtons (g);
    paintFormatTiles (g);
    paintFocusMark (g);
}

juce::String MainComponent::titleLine() const
{
    return productName.toUpperCase() + Product::editionLabel;
}

juce::String MainComponent::versionLine() const
{
    return "Version " + productVersion + platformSuffix;
}

void MainComponent::paintFocusMark (juce::Graphics& g)
{
    if (auto* marked = FocusMark::current(); marked != nullptr && marked->getParentComponent() == this)
        FocusMark::paint (g, marked->getBounds().toFloat(), unit);
}

void MainComponent::paintLinkButtons (juce::Graphics& g)
{
    const auto u = unit;
    g.setFont (2.5f * u);

    for (size_t i = 0; i < linkButtons.size(); ++i)
    {
        const auto& button = *linkButtons[i];
        const auto bounds = button.getBounds().toFloat();

        g.setColour (Widgets::faceColour (button));
        g.fillRoundedRectangle (bounds, u);

        if (linkIcons[i] != nullptr)
            Widgets::drawIcon (g, *linkIcons[i], bounds.reduced (2.0f * u));

        g.setColour (Palette::greyAAA6A6);
        g.drawText (Product::linkNames[(int) i], bounds.translated (0.0f, 3.5f * u), juce::Justification::centredBottom, true);
    }
}

void MainComponent::paintActionButtons (juce::Graphics& g)
{
    const auto u = unit;

    {
        const auto bounds = installButton->getBounds().toFloat();
        g.setColour (Widgets::faceColour (*installButton));
        g.fillRoundedRectangle (bounds, u);

        if (linkIcons[4] != nullptr)
            Widgets::drawIcon (g, *linkIcons[4], bounds.reduced (1.5f * u));

        g.setColour (Palette::greyAAA6A6);
        g.drawText (uninstallMode ? "UNINSTALL" : "INSTALL", bounds.translated (0.0f, 3.5f * u), juce::Justification::centredBottom, true);
    }

    {
        const auto bounds = selectAllButton->getBounds().toFloat();
        const auto down = selectAllButton->isMouseButtonDown();

        g.setFont (3.0f * u);
        g.setColour (down ? Palette::green86cf7a : Palette::greyAAA6A6.withAlpha ((juce::uint8) 26));
        g.fillRoundedRectangle (bounds, u);
        g.setColour (down ? Palette::ink171717 : Palette::greyAAA6A6);
        g.drawText ("SELECT ALL", bounds, juce::Justification::centred, true);
    }
}

void MainComponent::paintFormatTiles (juce::Graphics& g)
{
    const auto u = unit;

    for (size_t i = 0; i < formatButtons.size(); ++i)
    {
        const auto format = (int) i;
        const auto& button = *formatButtons[i];
        const auto bounds = button.getBounds().toFloat();
        const auto over = Widgets::isPointerOver (button);

        const auto installed = InstalledState::isInstalled (installFolders[i], productName, format);
        const auto version = installed ? InstalledState::installedVersion (installFolders[i], productName, format) : juce::String();

        if (installed)
            g.setColour (over ? Palette::blue0094d8 : Palette::blue0094d8.withAlpha ((juce::uint8) 230));
        else
            g.setColour (Palette::greyAAA6A6.withAlpha ((juce::uint8) (over ? 128 : 89)));

        g.fillRoundedRectangle (bounds, u);

        if (selected[i])
        {
            g.setColour (Palette::goldD3C55F);
            g.drawRoundedRectangle (bounds, u, 0.5f * u);
        }

        const auto textBox = bounds.reduced (1.5f * u).translated (10.0f * u, 0.0f);

        g.setColour (Palette::background111111);
        g.setFont (3.5f * u);
        g.drawText (Product::formatNames[format], textBox, juce::Justification::topLeft, true);

        g.setFont (3.0f * u);
        g.drawText (statusText (installed, version), textBox, juce::Justification::bottomLeft, true);

        if (formatIcons[i] != nullptr)
        {
            const juce::Rectangle<float> iconBox (bounds.getX() + u, bounds.getY() + u, 8.0f * u, juce::jmax (0.0f, bounds.getHeight() - 2.0f * u));
            Widgets::drawIcon (g, *formatIcons[i], iconBox);
        }
    }
}

//==============================================================================
void MainComponent::modifierKeysChanged (const juce::ModifierKeys& modifiers)
{
    constexpr int shift = 1, ctrl = 2, alt = 4, command = 8;
    const auto bits = modifiers.getRawFlags() & (shift | ctrl | alt | command);
    const auto changed = bits ^ storedModifierBits;

    if ((changed & shift) != 0)
    {
        uninstallMode = (bits & shift) != 0;
        installButton->setTitle (actionTitle (uninstallMode));
    }

    if (changed != 0)
        repaint();

    storedModifierBits = bits;
}

//==============================================================================
void MainComponent::buttonClicked (juce::Button* button)
{
    const auto name = button->getName();

    if (name == ButtonNames::eula)
    {
        eulaPanel = std::make_unique<panel_eula> (eulaText);
        addAndMakeVisible (*eulaPanel);
        placePanel (*eulaPanel);
        openPanel (*eulaPanel, *linkButtons[0]);
    }
    else if (name == ButtonNames::website)
    {
        AddressLauncher::launch (productPageAddress);
    }
    else if (name == ButtonNames::manual)
    {
        AddressLauncher::launch (manualAddress);
    }
    else if (name == ButtonNames::support)
    {
        supportPanel = std::make_unique<panel_support>();
        addAndMakeVisible (*supportPanel);
        supportPanel->settingsFolder = settingsFolder;
        placePanel (*supportPanel);
        openPanel (*supportPanel, *linkButtons[3]);
    }
    else if (const auto format = Product::formatNames.indexOf (name); format >= 0)
    {
        auto& tick = selected[(size_t) format];
        tick = ! tick;
        repaint();
        announceTicks();
    }
    else if (name == ButtonNames::install)
    {
        runInstallOperation();
    }
    else if (name == ButtonNames::selectAll)
    {
        selected.fill (true);
        repaint();
        announceTicks();
    }
}

void MainComponent::buttonStateChanged (juce::Button* button)
{
    if (! button->isMouseOver())
    {
        helpLabel->setText ({}, juce::dontSendNotification);
        return;
    }

    if (const auto text = helpTextFor (button->getName()))
        helpLabel->setText (*text, juce::dontSendNotification);
}

juce::String MainComponent::tileStatus (int formatIndex) const
{
    jassert (Product::isFormatIndex (formatIndex));
    const auto& folder = installFolders[(size_t) formatIndex];
    const auto installed = InstalledState::isInstalled (folder, productName, formatIndex);
    return statusText (installed, installed ? InstalledState::installedVersion (folder, productName, formatIndex) : juce::String());
}

std::optional<juce::String> MainComponent::helpTextFor (const juce::String& buttonName) const
{
    if (buttonName == ButtonNames::eula)
        return juce::String ("Click to read End-User License Agreement");

    if (buttonName == ButtonNames::manual)
        return juce::String ("Click to open product manual in your web browser");

    if (buttonName == ButtonNames::website)
        return juce::String ("Click to open product page on the Quillfen website");

    if (buttonName == ButtonNames::support)
        return juce::String ("Email and Discord support");

    if (const auto format = Product::formatNames.indexOf (buttonName); format >= 0)
    {
        // Asked afresh each time, so right after an install the same tile offers the update.
        return InstalledState::isInstalled (installFolders[(size_t) format], productName, format)
                   ? "Select to update " + buttonName + " to " + productVersion
                   : "Select to install " + buttonName;
    }

    if (buttonName == ButtonNames::install)
        return juce::String ("Click to install selected. ") + "Shift-click to uninstall selected";

    return std::nullopt;
}

//==============================================================================
void MainComponent::runInstallOperation()
{
    const auto verdict = InstallEngine::run (selected, installFolders, productName, uninstallMode);
    repaint();
    showResultPanel (verdict);
    announceTicks();
}

void MainComponent::announceTicks()
{
    // A screen reader that shows a tile re-reads its checked state and value.
    for (auto& button : formatButtons)
        if (auto* handler = button->getAccessibilityHandler())
            handler->notifyAccessibilityEvent (juce::AccessibilityEvent::valueChanged);
}

void MainComponent::showResultPanel (bool verdict)
{
    resultPanel = std::make_unique<panel_success>();
    addAndMakeVisible (*resultPanel);
    resultPanel->success = verdict;
    placePanel (*resultPanel);

    // Said as shown, and the focus stays where it is.
    StatusAnnouncer::announce (panel_success::textFor (verdict));

    // Each notice fades on an animator of its own. An animator that is still fading an earlier
    // notice counts a new fade from its own last tick, which came before this run blocked the
    // message thread: the new notice would start as far into its fade as the run took, and
    // after a run of three seconds it would never show. The earlier snapshot fades on beneath.
    resultFades.erase (std::remove_if (resultFades.begin(), resultFades.end(), [] (const auto& fade)
                                       { return ! fade->isAnimating(); }),
                       resultFades.end());
    auto& fade = *resultFades.emplace_back (std::make_unique<juce::ComponentAnimator>());

    // The snapshot proxy ignores the mouse, so the screen stays usable while the notice fades.
    fade.animateComponent (resultPanel.get(), getBounds(), 0.0f, resultFadeMilliseconds, true, 0.0, 0.0);
}
