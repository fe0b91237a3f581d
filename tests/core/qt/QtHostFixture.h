// The Qt host installed for one test, with helpers to act on a modal box once it is up.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <functional>

#include "framework/Host.h"
#include "framework/Resources.h"
#include "framework/host/qt/QtHost.h"
#include "tests/framework/host/qt/QtTestApp.h"

namespace qx::testing {

class QtHostFixture : public ::testing::Test {
protected:
    QtHostFixture() { fw::InstallHost(&m_host); }
    ~QtHostFixture() override {
        fw::InstallHost(nullptr);
        fw::SetResourceLanguage(0x804);
    }

    // Runs `act` on the topmost modal box once it is up (the call that shows it blocks in its own loop).
    // `skip` is a box already open underneath, to wait for the one above it.
    static void WhenBoxShows(std::function<void(QMessageBox&)> act, QWidget* skip = nullptr) {
        auto* poll = new QTimer();
        QObject::connect(poll, &QTimer::timeout, [poll, act, skip] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box == skip || !box->isVisible()) return;
            poll->stop();
            poll->deleteLater();
            act(*box);
        });
        poll->start(10);
    }

    // Calls `step` every 10 ms until it answers true.
    static void Poll(std::function<bool()> step) {
        auto* poll = new QTimer();
        QObject::connect(poll, &QTimer::timeout, [poll, step] {
            if (!step()) return;
            poll->stop();
            poll->deleteLater();
        });
        poll->start(10);
    }

    static QStringList ButtonTexts(const QMessageBox& box) {
        QStringList texts;
        for (QAbstractButton* button : box.buttons())
            texts << button->text();
        texts.sort();
        return texts;
    }

    static QAbstractButton* Button(const QMessageBox& box, const QString& text) {
        for (QAbstractButton* button : box.buttons()) {
            if (button->text() == text) return button;
        }
        return nullptr;
    }

    static bool Save(QWidget& widget, const QString& name) {
        return widget.grab().save(fw::qt::testing::PictureFolder() + "/" + name);
    }

    fw::qt::QtHost m_host;
};

}  // namespace qx::testing
