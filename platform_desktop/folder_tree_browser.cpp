#include "platform_desktop/desktop_services.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace larkspur::platform {

namespace {

// Keeps, among the rows beside the root folder, the root folder alone: the tree shows
// the root itself, selectable, with only its own folders below it.
class RootAlone : public QSortFilterProxyModel {
public:
    void setRoot(const QModelIndex& sourceRoot) {
        root_ = sourceRoot;
        parent_ = sourceRoot.parent();
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& sourceParent) const override {
        return parent_ != sourceParent || sourceModel()->index(row, 0, sourceParent) == root_;
    }

private:
    QPersistentModelIndex root_;
    QPersistentModelIndex parent_;
};

// A modal tree of a root folder and the folders below it. What OK gives is always
// the folder the user sees selected: the root unless another one is chosen.
class FolderTreeDialog : public QDialog {
public:
    FolderTreeDialog(const QString& caption, const QString& root)
        : top_(QFileInfo(root).isDir() ? QFileInfo(root).absoluteFilePath() : QStringLiteral("/")) {
        setWindowTitle(caption);
        resize(360, 420);
        model_.setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        model_.setRootPath(top_);
        rootAlone_.setSourceModel(&model_);
        rootAlone_.setRoot(model_.index(top_));
        tree_.setModel(&rootAlone_);
        tree_.setRootIndex(rootAlone_.mapFromSource(model_.index(top_).parent()));
        tree_.setSelectionMode(QAbstractItemView::SingleSelection);
        for (int column = 1; column < rootAlone_.columnCount(); ++column)
            tree_.hideColumn(column);
        tree_.header()->hide();

        buttons_.setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(&buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(&buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(tree_.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            buttons_.button(QDialogButtonBox::Ok)->setEnabled(selected().isValid());
        });
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(&tree_);
        layout->addWidget(&buttons_);
        select(top_);
        tree_.expand(tree_.currentIndex());
    }

    // A folder outside the tree leaves the root selected.
    void preselect(const QString& folder) {
        const QString path = QFileInfo(folder).absoluteFilePath();
        const QString below = top_.endsWith(QLatin1Char('/')) ? top_ : top_ + QLatin1Char('/');
        if (path.startsWith(below))
            select(path);
    }

    QString chosen() const { return model_.filePath(rootAlone_.mapToSource(selected())); }

private:
    void select(const QString& path) {
        const QModelIndex index = rootAlone_.mapFromSource(model_.index(path));
        if (!index.isValid())
            return;
        tree_.setCurrentIndex(index);
        tree_.scrollTo(index);
    }

    QModelIndex selected() const {
        const QModelIndexList indexes = tree_.selectionModel()->selectedIndexes();
        return indexes.isEmpty() ? QModelIndex() : indexes.first().siblingAtColumn(0);
    }

    QString top_;
    QFileSystemModel model_;
    RootAlone rootAlone_;
    QTreeView tree_;
    QDialogButtonBox buttons_;
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
