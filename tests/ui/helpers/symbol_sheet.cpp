// SPDX-License-Identifier: GPL-3.0-or-later
// Draws every symbol on the panel's dark and light grounds into one picture, to look at; run by
// scripts/screenshots. Usage: symbol_sheet OUT.png
#include "ui/SymbolIcons.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: symbol_sheet OUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    namespace icons = brisa::SymbolIcons;
    const auto table = icons::table();
    constexpr int kCols = 6, kCell = 120, kRow = 64;
    const int rows = int((table.size() + 1 + kCols - 1) / kCols);
    QImage sheet(kCols * kCell, rows * kRow, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    QFont font;
    font.setPixelSize(9);
    p.setFont(font);
    for (std::size_t i = 0; i <= table.size(); ++i) {
        const bool isFallback = i == table.size();
        const std::string name = isFallback ? "(desconocido)" : std::string(table[i].name);
        const int x = int(i % kCols) * kCell, y = int(i / kCols) * kRow;
        p.fillRect(x + 4, y + 4, 52, 40, Qt::black);
        p.fillRect(x + 60, y + 4, 52, 40, QColor(235, 235, 235));
        p.drawImage(x + 14, y + 8, icons::render(name, {32, 32}, Qt::white));
        p.drawImage(x + 70, y + 8, icons::render(name, {32, 32}, Qt::black));
        p.setPen(Qt::black);
        p.drawText(QRect(x, y + 46, kCell, 16), Qt::AlignCenter, QString::fromStdString(name));
    }
    p.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "symbol_sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
