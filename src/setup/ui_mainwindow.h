#pragma once

#include "setup/csourceprogress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGridLayout>
#include <QIcon>
#include <QPushButton>
#include <QSpacerItem>
#include <QTabWidget>

// The fixed frame of the setup dialog: OK, Cancel and Apply under a tab widget whose
// two placeholder pages make way for the description's tabs, and beside the
// buttons the row that shows what the device is doing.
class Ui_MainWindow
{
public:
    QGridLayout* gridLayout = nullptr;
    QPushButton* pbCancel = nullptr;
    QPushButton* pbOK = nullptr;
    QPushButton* pbApply = nullptr;
    QTabWidget* tabWidget = nullptr;
    QWidget* tab = nullptr;
    QWidget* tab_2 = nullptr;
    QSpacerItem* spacerItem = nullptr;
    cSourceProgress* sourceProgress = nullptr;

    void setupUi(QDialog* MainWindow)
    {
        if (MainWindow->objectName().isEmpty())
            MainWindow->setObjectName(QStringLiteral("MainWindow"));
        MainWindow->resize(520, 386);
        gridLayout = new QGridLayout(MainWindow);
        gridLayout->setSpacing(6);
        gridLayout->setContentsMargins(9, 9, 9, 9);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));

        pbCancel = new QPushButton(MainWindow);
        pbCancel->setObjectName(QStringLiteral("pbCancel"));
        pbCancel->setMinimumSize(QSize(100, 0));
        pbCancel->setIcon(QIcon(QStringLiteral(":/resources/cancel.png")));
        pbCancel->setIconSize(QSize(32, 16));
        pbCancel->setAutoDefault(true);
        gridLayout->addWidget(pbCancel, 1, 2, 1, 1);

        pbOK = new QPushButton(MainWindow);
        pbOK->setObjectName(QStringLiteral("pbOK"));
        pbOK->setMinimumSize(QSize(100, 0));
        pbOK->setIcon(QIcon(QStringLiteral(":/resources/ok.png")));
        pbOK->setIconSize(QSize(32, 16));
        pbOK->setDefault(true);
        gridLayout->addWidget(pbOK, 1, 1, 1, 1);

        // Shown only for a description that gives it a text.
        pbApply = new QPushButton(MainWindow);
        pbApply->setObjectName(QStringLiteral("pbApply"));
        pbApply->setMinimumSize(QSize(100, 0));
        pbApply->setAutoDefault(false);
        pbApply->hide();
        gridLayout->addWidget(pbApply, 1, 3, 1, 1);

        tabWidget = new QTabWidget(MainWindow);
        tabWidget->setObjectName(QStringLiteral("tabWidget"));
        tab = new QWidget();
        tab->setObjectName(QStringLiteral("tab"));
        tabWidget->addTab(tab, QString());
        tab_2 = new QWidget();
        tab_2->setObjectName(QStringLiteral("tab_2"));
        tabWidget->addTab(tab_2, QString());
        gridLayout->addWidget(tabWidget, 0, 0, 1, 4);

        spacerItem = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayout->addItem(spacerItem, 1, 0, 1, 1);
        // Shares the spacer's cell: hidden, it leaves the buttons on the right.
        sourceProgress = new cSourceProgress(MainWindow);
        gridLayout->addWidget(sourceProgress, 1, 0, 1, 1);

        retranslateUi(MainWindow);
        tabWidget->setCurrentIndex(0);
        QMetaObject::connectSlotsByName(MainWindow);
    }

    void retranslateUi(QDialog* MainWindow)
    {
        MainWindow->setWindowTitle(QCoreApplication::translate("MainWindow", "Setup"));
        pbCancel->setText(QCoreApplication::translate("MainWindow", "Cancel"));
        pbOK->setText(QCoreApplication::translate("MainWindow", "OK"));
        pbApply->setText(QCoreApplication::translate("MainWindow", "Apply"));
        tabWidget->setTabText(tabWidget->indexOf(tab),
                              QCoreApplication::translate("MainWindow", "Tab 1"));
        tabWidget->setTabText(tabWidget->indexOf(tab_2),
                              QCoreApplication::translate("MainWindow", "Tab 2"));
    }
};
