#pragma once

#include <QString>

class QDomElement;
class QObject;
class QValidator;

// The check an edit control's description gives its text. The dialog puts it
// on the edit; programs that set values without the dialog apply the same
// check, so both accept exactly the same texts.
class EditValidator
{
public:
    // The validator for `item`, owned by `parent`; nullptr when the item
    // gives none.
    static QValidator* create(const QDomElement& item, QObject* parent);
    // The rule as the description writes it (a pattern the whole text must
    // match); empty when there is none.
    static QString rule(const QDomElement& item);
};
