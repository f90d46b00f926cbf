#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace tesselvane {

// A titled box of radio buttons laid out in columns, one of which (or none) is chosen: the
// choice is an item index, -1 for none.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    const QStringList& items() const { return items_; }
    void setItems(const QStringList& items);
    int columns() const { return columns_; }
    void setColumns(int columns);
    // -1 when no item is chosen; an index out of range chooses none.
    int itemIndex() const;
    void setItemIndex(int index);

    QRadioButton* button(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange();

    QStringList items_;
    int columns_ = 1;
    QButtonGroup* group_;
};

}  // namespace tesselvane
