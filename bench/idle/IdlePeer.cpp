// SPDX-License-Identifier: GPL-3.0-or-later
// The peer of the idle benchmark: a bare Qt Widgets window with a list of
// rows, shown and left alone, the least a windowed list program costs.
#include <QApplication>
#include <QTreeWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTreeWidget list;
    list.setHeaderLabels({QStringLiteral("标题")});
    for (int i = 0; i < 20; ++i) new QTreeWidgetItem(&list, {QStringLiteral("第%1行").arg(i + 1)});
    list.resize(680, 556);
    list.show();
    return application.exec();
}
