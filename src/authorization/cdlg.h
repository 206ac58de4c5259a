#pragma once

#include "authorization.h"

#include <QDialog>

#include <memory>

class cODAdaptor;
class Ui_cDlg;
class QPaintEvent;

// Asks for the login and password of a device that refused the current ones,
// naming the device as soon as the informer knows it.
class cDlg : public QDialog
{
    Q_OBJECT

public:
    cDlg(authorization::authorization_t* record, cODAdaptor* adaptor);
    ~cDlg() override;

    // Says that the device refused the record's login, which the login
    // field offers again.
    void showRefusal();

protected:
    void paintEvent(QPaintEvent* event) override;

public slots:
    void onLoginChanged(const QString& text);
    void accept() override;
    void reject() override;
    void onODUpdate();

private:
    std::unique_ptr<Ui_cDlg> mUi;
    authorization::authorization_t* mRecord;
    cODAdaptor* mAdaptor;
    // 0: no title yet, 1: address only, 2: device name shown.
    int mTitleRank = 0;
};
