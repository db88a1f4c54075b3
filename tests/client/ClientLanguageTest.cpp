// The language buttons: English leaves no French text of the program on any form, and French
// comes back exactly as it was.

#include "ClientTestFixture.h"

#include "ConfigForm.h"
#include "KLocalizerOnFly.h"
#include "LocalAccountsForm.h"
#include "SendMessageForm.h"
#include "SetupClientConnectionForm.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QXmlStreamReader>

using namespace zrvtest;

namespace {

// The program's French texts whose English translation differs, mnemonics taken out.
QStringList TranslatedSources() {
    QFile file(QStringLiteral(ZRV_TRANSLATION_SOURCE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QStringList sources;
    QString source;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == QStringLiteral("source")) {
            source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isStartElement() && xml.name() == QStringLiteral("translation")) {
            if (xml.readElementText(QXmlStreamReader::IncludeChildElements) != source)
                sources << QString(source).remove(u'&');
        } else if (!xml.isStartElement()) {
            xml.readNext();
        }
    }
    return sources;
}

// Every text a widget of these windows shows, named by where it is.
QStringList Texts(const QList<QWidget*>& aWindows) {
    QStringList texts;
    const auto add = [&texts](const QObject* aOwner, const QString& aWhat, const QString& aText) {
        if (!aText.isEmpty())
            texts << aOwner->objectName() + u'.' + aWhat + QStringLiteral(": ") + aText;
    };
    for (QWidget* window : aWindows) {
        QList<QWidget*> widgets = window->findChildren<QWidget*>();
        widgets.prepend(window);
        for (const QWidget* w : widgets) {
            add(w, QStringLiteral("title"), w->windowTitle());
            add(w, QStringLiteral("hint"), w->toolTip());
            if (const auto* label = qobject_cast<const QLabel*>(w))
                add(w, QStringLiteral("text"), label->text());
            if (const auto* button = qobject_cast<const QAbstractButton*>(w))
                add(w, QStringLiteral("text"), button->text());
            if (const auto* group = qobject_cast<const QGroupBox*>(w))
                add(w, QStringLiteral("title"), group->title());
            if (const auto* edit = qobject_cast<const QLineEdit*>(w))
                add(w, QStringLiteral("placeholder"), edit->placeholderText());
            if (const auto* tabs = qobject_cast<const QTabWidget*>(w))
                for (int i = 0; i < tabs->count(); ++i)
                    add(w, QStringLiteral("tab%1").arg(i), tabs->tabText(i));
            if (const auto* list = qobject_cast<const QComboBox*>(w))
                for (int i = 0; i < list->count(); ++i)
                    add(w, QStringLiteral("item%1").arg(i), list->itemText(i));
        }
        for (const QAction* action : window->findChildren<QAction*>())
            add(action, QStringLiteral("action"), action->text());
    }
    return texts;
}

// The French texts of the program a widget text still shows: the whole text, or a long one inside.
QStringList FrenchLeft(const QStringList& aTexts, const QStringList& aSources) {
    QStringList left;
    for (const QString& entry : aTexts) {
        const QString text = entry.mid(entry.indexOf(QStringLiteral(": ")) + 2).remove(u'&');
        for (const QString& source : aSources) {
            const QString fixed = source.left(source.indexOf(u'%')).trimmed();
            if (text == source || (fixed.size() >= 12 && text.contains(fixed)))
                left << entry + QStringLiteral("  <- ") + source;
        }
    }
    return left;
}

using Languages = ClientTest;

TEST_F(Languages, EnglishLeavesNoFrenchTextAndFrenchComesBackExactly) {
    const QStringList sources = TranslatedSources();
    ASSERT_GT(sources.size(), 100);
    StartServer();
    AddTicket(QStringLiteral("TICKET20"), 3600);
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET20")));
    frmClient->LabelInfos->clear();
    const QList<QWidget*> forms = {frmMain,
                                   frmAddCredit,
                                   frmTaskBar,
                                   frmClient,
                                   TfrmLocalAccounts::Execute(frmMain),
                                   TfrmSendMessage::Show(frmMain->ZRVClientConnection, frmMain),
                                   TfrmSetupClientConnection::SetupClientConnection(frmMain),
                                   TfrmConfig::Execute(frmMain)};
    const QStringList french = Texts(forms);
    // The walk sees the forms' texts, French ones among them.
    ASSERT_FALSE(FrenchLeft(french, sources).isEmpty());

    Click(frmClient->sb_english);
    // The forms hear of the new language through the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(TKLocalizerOnFly::Language(), QStringLiteral("en"));
    const QStringList english = Texts(forms);
    EXPECT_EQ(FrenchLeft(english, sources), QStringList());
    EXPECT_EQ(frmClient->ButtonOpenTicket->text(), QStringLiteral("&Log in"));
    EXPECT_EQ(frmClient->LabelUserType->text(), QStringLiteral("User ticket"));
    EXPECT_EQ(frmClient->LabelHourFormula->text(), QStringLiteral("Valid from Monday 0 h to Sunday 23 h"));
    EXPECT_EQ(frmClient->LabelExpireDate->text(), QStringLiteral("Friday, August 19, 2011"));
    EXPECT_TRUE(frmClient->LabelDateTime->text().contains(QStringLiteral("Jul")))
        << frmClient->LabelDateTime->text().toStdString();
    EXPECT_EQ(frmClient->ComboBoxSex->itemText(2), QStringLiteral("Female"));
    EXPECT_EQ(forms[5]->findChild<QLabel*>(QStringLiteral("LabelDestinater"))->text(),
              QStringLiteral("THE EMPLOYEE AT THE SERVER"));

    Click(frmClient->sb_french);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(TKLocalizerOnFly::Language(), QStringLiteral("fr"));
    EXPECT_EQ(Texts(forms), french);
}

TEST_F(Languages, ALanguageWithoutTranslationChangesNothing) {
    StartClient();
    EXPECT_FALSE(TKLocalizerOnFly::SwitchToExt(QStringLiteral("de")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(TKLocalizerOnFly::Language(), QStringLiteral("fr"));
    EXPECT_EQ(frmClient->ButtonOpenTicket->text(), QStringLiteral("&Connection"));
}

} // namespace
