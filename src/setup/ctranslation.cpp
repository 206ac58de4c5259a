#include "ctranslation.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace {

// One translator for the whole process: opening the dialog again must not
// stack copies, and another language replaces the one before.
std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

// Qt's standard button texts on the login dialog and the message boxes:
// listed so that the text extraction keeps their Russian in our file, which
// then serves them where Qt's own translations are not installed.
[[maybe_unused]] const char* const kStandardButtons[] = {
    QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Close"), QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
};

} // namespace

bool cTranslation::load(const QLocale& locale)
{
    std::unique_ptr<QTranslator>& current = installed();
    if (current && current->language() == locale.name())
        return true;
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("setupvelk"), QStringLiteral("_"),
                          QStringLiteral(":/i18n")))
        return false;
    QCoreApplication::installTranslator(translator.get());
    current = std::move(translator);
    return true;
}
