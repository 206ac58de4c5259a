#pragma once

#include <QLocale>
#include <QtGlobal>

// The library's own texts in the host's language: the Russian translation
// is compiled in, and loaded for the locale the host runs in (QLocale's
// default, which a host may set) when the setup dialog opens. Texts of a
// setup description are translated by the description itself.
class Q_DECL_EXPORT cTranslation
{
public:
    // Installs the translation for `locale` in place of the one installed
    // before; true when there is one for that language. English needs none.
    static bool load(const QLocale& locale = QLocale());
};
