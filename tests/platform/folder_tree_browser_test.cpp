#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform_desktop/desktop_services.h"

using larkspur::platform::makeFolderTreeBrowser;

namespace {

bool eventually(const std::function<bool()>& condition) {
    for (int tries = 0; tries < 100 && !condition(); ++tries) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    return condition();
}

// A root with two folders; each test acts in the dialog as the user would.
class FolderTreeBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"a", "b/c"})
            ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
    }

    // Shows the chooser, lets `act` work in it, then presses OK (unless `act` closed it).
    std::optional<QString> browse(const QString& initial,
                                  const std::function<void(QTreeView&, QPushButton&)>& act) {
        QTimer::singleShot(0, [&] {
            auto* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            auto* tree = dialog->findChild<QTreeView*>();
            QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            // The folders below the root are listed on a thread of the model's.
            EXPECT_TRUE(eventually([&] { return tree->model()->rowCount(rootRow(*tree)) == 2; }));
            act(*tree, *ok);
            ok->click();
            if (dialog->isVisible())
                static_cast<QDialog*>(dialog)->reject(); // OK was off: no hang
        });
        return makeFolderTreeBrowser()->browse("Choose", dir.path(), initial);
    }

    static QModelIndex rootRow(const QTreeView& tree) {
        return tree.model()->index(0, 0, tree.rootIndex());
    }

    QTemporaryDir dir;
};

TEST_F(FolderTreeBrowser, TheRootIsInTheTreeAloneAtTheTopAndSelectable) {
    const auto chosen = browse({}, [&](QTreeView& tree, QPushButton&) {
        EXPECT_EQ(tree.model()->rowCount(tree.rootIndex()), 1);
        EXPECT_EQ(rootRow(tree).data().toString(), QDir(dir.path()).dirName());
        EXPECT_TRUE(tree.selectionModel()->isSelected(rootRow(tree)));
    });
    EXPECT_EQ(chosen, dir.path());
}

TEST_F(FolderTreeBrowser, OkGivesTheSelectedFolderNeverAChildTheFocusLandedOn) {
    const std::vector<std::pair<QString, QString>> table{{"", dir.path()},
                                                         {dir.path(), dir.path()},
                                                         {dir.filePath("b/c"), dir.filePath("b/c")},
                                                         {"/proc", dir.path()}}; // outside the tree
    for (const auto& [initial, expected] : table) {
        const auto chosen = browse(initial, [&](QTreeView& tree, QPushButton&) {
            tree.setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
        });
        EXPECT_EQ(chosen, expected) << initial.toStdString();
    }
}

TEST_F(FolderTreeBrowser, OkIsOffWhileNothingIsSelected) {
    QString picked;
    const auto chosen = browse({}, [&](QTreeView& tree, QPushButton& ok) {
        tree.selectionModel()->clearSelection();
        EXPECT_FALSE(ok.isEnabled());
        const QModelIndex child = tree.model()->index(0, 0, rootRow(tree));
        tree.selectionModel()->select(child, QItemSelectionModel::ClearAndSelect);
        EXPECT_TRUE(ok.isEnabled());
        picked = dir.filePath(child.data().toString());
    });
    EXPECT_EQ(chosen, picked);
}

} // namespace
