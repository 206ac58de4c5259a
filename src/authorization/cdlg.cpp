#include "cdlg.h"

#include "codadaptor.h"
#include "ui_cdlg.h"

#include "host/pxsettings.h"
#include "util/cmd5hash.h"
#include "util/gloss.h"

#include <QPainter>
#include <QPushButton>

namespace {

const char* kRememberKey = "Authorization/remember";

} // namespace

// Outside any namespace: the macros declare the bundle's functions.
static void registerBundle()
{
    Q_INIT_RESOURCE(libauthorization);
}

static void unregisterBundle()
{
    Q_CLEANUP_RESOURCE(libauthorization);
}

cDlg::cDlg(authorization::authorization_t* record, cODAdaptor* adaptor)
    : QDialog(nullptr), mRecord(record), mAdaptor(adaptor)
{
    PXSettings::sync();
    registerBundle();
    mUi = std::make_unique<Ui_cDlg>();
    mUi->setupUi(this);
    mUi->labelRefusal->hide();
    mUi->lineEditLogin->setText(QString::fromLocal8Bit(mRecord->login));
    mUi->checkBoxRemember->setChecked(PXSettings::value(kRememberKey, true, true).toBool());
    onLoginChanged(QString::fromLocal8Bit(mRecord->login));
    connect(mUi->lineEditLogin, &QLineEdit::textChanged, this, &cDlg::onLoginChanged);
    if (mAdaptor)
        connect(mAdaptor, &cODAdaptor::update, this, &cDlg::onODUpdate);
    mTitleRank = 0;
    onODUpdate();
}

cDlg::~cDlg()
{
    if (mAdaptor)
        disconnect(mAdaptor, &cODAdaptor::update, this, &cDlg::onODUpdate);
    unregisterBundle();
}

void cDlg::showRefusal()
{
    mUi->labelRefusal->setText(
        tr("The device refused login \"%1\"").arg(QString::fromLocal8Bit(mRecord->login)));
    mUi->labelRefusal->show();
    // Room for the extra line, which the initial size does not have.
    resize(size().expandedTo(sizeHint()));
    // The login stands; what was wrong is most likely the password.
    mUi->lineEditPassword->setFocus();
}

void cDlg::onLoginChanged(const QString& text)
{
    mUi->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!text.isEmpty());
}

void cDlg::onODUpdate()
{
    if (mTitleRank >= 2)
        return;
    QString name = QString::fromLocal8Bit(mRecord->name);
    const QString url = QString::fromLocal8Bit(mRecord->url);
    if (name.isEmpty() && mAdaptor)
        name = mAdaptor->lookupName(url);
    const int rank = name.isEmpty() ? 1 : 2;
    if (rank <= mTitleRank)
        return;
    mUi->labelTitle->setText(tr("Please enter authorization information for ") + name +
                             QStringLiteral(" (") + url + QStringLiteral(")"));
    setWindowTitle(tr("Login to %1").arg(name.isEmpty() ? url : name));
    mTitleRank = rank;
}

void cDlg::accept()
{
    mRecord->login = mUi->lineEditLogin->text().toLocal8Bit();
    mRecord->password = CMD5Hash::DoHash(mUi->lineEditPassword->text()).toLatin1();
    mRecord->remember = mUi->checkBoxRemember->isChecked();
    PXSettings::setValue(kRememberKey, mRecord->remember, true);
    PXSettings::sync();
    QDialog::accept();
}

void cDlg::reject()
{
    QDialog::reject();
}

void cDlg::paintEvent(QPaintEvent* event)
{
    const int w = width();
    const int h = height();
    QPainter p(this);
    p.setPen(QColor(64, 64, 64));
    p.drawRect(0, 0, w - 1, h - 1);

    paintTopGloss(p, w);
    p.end();
    QDialog::paintEvent(event);
}
