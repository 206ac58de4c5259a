#pragma once

#include <QWidget>

class NBXSetup;

// The setup-call control: turns "name,param..." into a source function call.
class cSetupWidget : public QWidget
{
    Q_OBJECT
public:
    explicit cSetupWidget(NBXSetup* setup, QWidget* parent = nullptr);

    NBXSetup* setup() const { return m_setup; }

public slots:
    void callSetup(QString s);

private:
    NBXSetup* m_setup;
};
