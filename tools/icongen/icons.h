#pragma once

// The icons of Quorvel: each one's file, size and drawing.

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

namespace IconGen {

struct Icon
{
    QString file; // relative to the output folder
    int size;
    std::function<void(QPainter &)> draw;
};

// Every icon, in the order of the contact sheet.
std::vector<Icon> allIcons();

// The icon drawn at its size on a transparent background.
QImage render(const Icon &icon);

} // namespace IconGen
