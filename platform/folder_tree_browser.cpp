#include "platform/folder_browser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QVBoxLayout>

namespace larkspur::platform {

namespace {

// A modal tree of the folders below a root; confirming with nothing selected
// chooses the root itself.
class FolderTreeDialog : public QDialog {
public:
    FolderTreeDialog(const QString& caption, const QString& root)
        : top_(QFileInfo(root).isDir() ? QFileInfo(root).absoluteFilePath() : QStringLiteral("/")) {
        setWindowTitle(caption);
        resize(360, 420);
        model_.setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        tree_.setModel(&model_);
        tree_.setRootIndex(model_.setRootPath(top_));
        for (int column = 1; column < model_.columnCount(); ++column)
            tree_.hideColumn(column);
        tree_.header()->hide();

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(&tree_);
        layout->addWidget(buttons);
    }

    void preselect(const QString& folder) {
        const QString path = QFileInfo(folder).absoluteFilePath();
        const QString below = top_.endsWith(QLatin1Char('/')) ? top_ : top_ + QLatin1Char('/');
        if (!path.startsWith(below))
            return; // outside the tree: nothing is selected
        const QModelIndex index = model_.index(path);
        if (!index.isValid())
            return;
        tree_.setCurrentIndex(index);
        tree_.scrollTo(index);
    }

    QString chosen() const {
        const QModelIndex current = tree_.currentIndex();
        return current.isValid() ? model_.filePath(current) : top_;
    }

private:
    QString top_;
    QFileSystemModel model_;
    QTreeView tree_;
};

class FolderTreeBrowser final : public FolderBrowser {
public:
    std::optional<QString> browse(const QString& caption, const QString& root,
                                  const QString& initial) override {
        FolderTreeDialog dialog(caption, root);
        if (!initial.isEmpty())
            dialog.preselect(initial);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.chosen();
    }
};

} // namespace

std::unique_ptr<FolderBrowser> makeFolderTreeBrowser() {
    return std::make_unique<FolderTreeBrowser>();
}

} // namespace larkspur::platform
