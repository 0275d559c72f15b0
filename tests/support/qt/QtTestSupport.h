// What every test of windows needs: one offscreen application object, bounded waiting that keeps
// events flowing, and skins made by the test with images and colours it knows.
#pragma once

#include <QApplication>
#include <QColor>
#include <QSize>
#include <QString>

#include <functional>
#include <string>

class CVelSkin;

// The process's application object, created on first use (offscreen unless QT_QPA_PLATFORM says
// otherwise). Linking this library also creates it before the first test runs.
QApplication& testApp();

// Runs events until `done` holds or `timeoutMs` passed; returns whether it holds.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 3000);
// Runs events for `ms` milliseconds.
void pumpEvents(int ms);

// A PNG file's bytes: one colour over the whole size.
std::string solidPng(QSize size, QColor color);

// Packs an archive with every image of the skin's table (size and colour from `image`) and the
// style sheet `sheet` into `folder`/`name` and loads it into `skin`. Returns the load result.
struct TestImage {
    QSize size;
    QColor color;
};
int loadTestSkin(CVelSkin& skin, const QString& folder, const std::string& name,
                 const std::string& sheet, const std::function<TestImage(int id)>& image);
