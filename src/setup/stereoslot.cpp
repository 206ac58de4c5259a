// The description's way into the stereo rectification tool.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "controls/cstereosession.h"
#include "controls/stereorectification.h"

void CWinMain::StereoRectification_slot()
{
    // A job of minutes with its own modal windows is the user's to start;
    // a description must not start it while the dialog is being built.
    if (building || dialogBuilds > 0) {
        qWarning("StereoRectification_slot: no stereo job starts while the dialog is built");
        return;
    }
    const QString dateKey = QStringLiteral("streams/stereo/last_rectification_date/");
    const QString errorKey = QStringLiteral("streams/stereo/last_rectification_error/");
    QString date;
    QString error;
    bool rectified = false;
    {
        const StereoRectification job(setup, this);
        date = job.date();
        error = job.errorText();
        rectified = job.status() == cStereoSession::kAccepted;
    }
    // A job that was not accepted gives back what is stored; writing it
    // again would only add empty keys to the file.
    if (date != setup->value(dateKey))
        setValue(dateKey + date);
    if (error != setup->value(errorKey))
        setValue(errorKey + error);
    // The recorder holds the new tables now: its settings must say so even
    // if this dialog is cancelled later, so they are stored at once.
    if (rectified)
        setup->store();
}
