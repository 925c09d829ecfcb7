#include "panel_support.h"

#include "AddressLauncher.h"
#include "ButtonNames.h"
#include "FocusMark.h"
#include "Palette.h"
#include "Product.h"
#include "ProgramInfo.h"
#include "SharedSettings.h"
#include "Widgets.h"

#include <BinaryData.h>

namespace
{
const juce::String copyrightLine { juce::CharPointer_UTF8 ("\xc2\xa9 2019-2026 Quillfen, Inc. All rights reserved.") };
const juce::String discordBody { "The Quillfen Discord is a vibrant community of musicians and producers, and this is the fastest way to "
                                 "get answers to simple questions. Just join and drop in the appropriate channel. " };
const juce::String mailBody { "If you have more complicated questions, or matters that need to remain private, concerning account "
                              "information, etc., feel free to email us." };
const juce::String aboutHeading { "ABOUT QUILLFEN RACKHAND" };
} // namespace

panel_support::panel_support()
{
    unit = 9.0f;

    discordIcon = Widgets::loadIcon (BinaryData::icon_discord_svg, BinaryData::icon_discord_svgSize);
    mailIcon = Widgets::loadIcon (BinaryData::icon_mail_svg, BinaryData::icon_mail_svgSize);

    closeButton = Widgets::makeClickTarget (*this, *this, ButtonNames::close, "Close support");
    discordButton = Widgets::makeClickTarget (*this, *this, ButtonNames::discord, "Join the Quillfen Discord");
    mailButton = Widgets::makeClickTarget (*this, *this, ButtonNames::mail, "E-mail Quillfen support");
    discordButton->helpText = []
    { return Product::discordInvitation; };
    mailButton->helpText = []
    { return Product::supportMailAddress.fromFirstOccurrenceOf (":", false, false); };

    // Boxes as painted, beside the Discord and the mail box (at 10 units, 15 and 35 down).
    for (const auto& [text, box] : { std::pair { juce::String ("DISCORD"), juce::Rectangle<float> (10.0f, 7.0f, 80.0f, 10.0f) },
                                     { discordBody, { 22.0f, 15.0f, 70.0f, 12.0f } },
                                     { juce::String ("E-MAIL"), { 10.0f, 27.0f, 80.0f, 8.0f } },
                                     { mailBody, { 22.0f, 35.0f, 70.0f, 12.0f } },
                                     { aboutHeading, { 10.0f, 57.0f, 80.0f, 8.0f } },
                                     { copyrightLine, { 10.0f, 85.0f, 80.0f, 4.0f } },
                                     { juce::String(), { 10.0f, 65.0f, 80.0f, 20.0f } } })
        screenTexts.emplace_back (Widgets::makeScreenText (*this, text), box);

    setTitle ("Support");
    setFocusContainerType (FocusContainerType::keyboardFocusContainer);
}

panel_support::~panel_support() = default;

juce::String panel_support::getAboutText() const
{
    // The file name is joined with a forward slash on every platform, as the maker's other
    // installers show it.
    return "The Quillfen Rackhand v" + ProgramInfo::version
           + " cross-platform installater. \nFeel free to drop us a line if you have any suggestions or questions "
             "concerning its use. You can edit the default installation paths in the text file found at "
           + settingsFolder.getFullPathName() + "/" + SharedSettings::settingsFileName;
}

void panel_support::resized()
{
    closeButton->setBounds (Widgets::roundedBounds (88.0f * unit, 1.5f * unit, 8.0f * unit, 8.0f * unit));
    discordButton->setBounds (Widgets::roundedBounds (10.0f * unit, 15.0f * unit, 10.0f * unit, 10.0f * unit));
    mailButton->setBounds (Widgets::roundedBounds (10.0f * unit, 35.0f * unit, 10.0f * unit, 10.0f * unit));

    for (auto& [text, box] : screenTexts)
        text->setBounds (Widgets::roundedBounds (box.getX() * unit, box.getY() * unit, box.getWidth() * unit, box.getHeight() * unit));

    screenTexts.back().first->setText (getAboutText(), juce::dontSendNotification);
}

void panel_support::paint (juce::Graphics& g)
{
    const auto u = unit;

    const auto heading = [&g, u] (const juce::String& text, float y)
    {
        g.setFont (5.0f * u);
        g.setColour (Palette::brightF5F5F5);
        g.drawText (text, juce::Rectangle<float> (10.0f * u, y * u, 80.0f * u, 10.0f * u), juce::Justification::centredLeft, true);
    };

    const auto box = [&g, u] (const juce::Button& button, juce::Drawable* icon)
    {
        const auto bounds = button.getBounds().toFloat();
        g.setColour (Widgets::faceColour (button));
        g.fillRoundedRectangle (bounds, u);

        if (icon != nullptr)
            Widgets::drawIcon (g, *icon, bounds.reduced (2.0f * u));
    };

    const auto body = [&g, u] (const juce::String& text, float x, float y, float width, float height)
    {
        g.setColour (Palette::greyAAA6A6);
        g.setFont (3.0f * u);
        g.drawFittedText (text, Widgets::roundedBounds (x, y, width, height), juce::Justification::topLeft, 20, 0.0f);
    };

    // A box's text starts level with the box, to its right.
    const auto bodyBeside = [&body, u] (const juce::Button& button, const juce::String& text)
    { body (text, (float) button.getX() + 12.0f * u, (float) button.getY(), 70.0f * u, 30.0f * u); };

    g.fillAll (Palette::background111111);
    Widgets::paintCloseControl (g, *closeButton, u);

    heading ("DISCORD", 7.0f);
    box (*discordButton, discordIcon.get());
    bodyBeside (*discordButton, discordBody);

    heading ("E-MAIL", 27.0f);
    box (*mailButton, mailIcon.get());
    bodyBeside (*mailButton, mailBody);

    g.setFont (3.0f * u);
    g.setColour (Palette::greyAAA6A6);
    g.drawText (aboutHeading, juce::Rectangle<float> (10.0f * u, 57.0f * u, 80.0f * u, 10.0f * u), juce::Justification::centredLeft, true);
    body (getAboutText(), 10.0f * u, 65.0f * u, 80.0f * u, 30.0f * u);
    g.drawSingleLineText (copyrightLine, (int) (10.0f * u), (int) (88.0f * u), juce::Justification::left);

    if (auto* marked = FocusMark::current(); marked != nullptr && marked->getParentComponent() == this)
        FocusMark::paint (g, marked->getBounds().toFloat(), u);
}

void panel_support::buttonClicked (juce::Button* button)
{
    const auto name = button->getName();

    if (name == ButtonNames::close)
    {
        if (auto* parent = getParentComponent())
        {
            parent->removeChildComponent (this);

            if (onClose != nullptr)
                onClose();
        }
    }
    else if (name == ButtonNames::discord)
    {
        AddressLauncher::launch (juce::URL (Product::discordInvitation));
    }
    else if (name == ButtonNames::mail)
    {
        AddressLauncher::launch (juce::URL (Product::supportMailAddress));
    }
}

bool panel_support::keyPressed (const juce::KeyPress& key)
{
    return Widgets::closeOnEscape (key, *closeButton, *this);
}

std::unique_ptr<juce::AccessibilityHandler> panel_support::createAccessibilityHandler()
{
    return std::make_unique<juce::AccessibilityHandler> (*this, juce::AccessibilityRole::group);
}
