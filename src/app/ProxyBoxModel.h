#pragma once
// The entries of the main window's proxy box (cmbProxy) over the proxy
// list: "（使わない）" (not used), then every proxy's name. The window sets
// this as its combo's model, calls Refill at start-up and after the proxy
// editor, and Choose when the user picks an entry.
#include <QAbstractListModel>

#include <string>
#include <vector>

class TProxyManager;
class TQorConnGeneral;

class TProxyBoxModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TProxyBoxModel(const TProxyManager* manager, QObject* parent = nullptr);

    // Rebuilds the entries from the list (entry 0 is then the one to select).
    void Refill();
    // Copies the chosen proxy into the connection settings (entry 0 clears
    // them); false outside the entries.
    bool Choose(int row, TQorConnGeneral& conn) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const TProxyManager* manager_;
    std::vector<std::string> entries_;
};
