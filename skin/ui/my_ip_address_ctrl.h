#pragma once
// The skinned address field: four fields of up to three digits between dots,
// inside the list-box border. Typing a dot in a field that holds digits (or
// a third digit) moves to the next field, a field never holds more than 255, and anything but digits is
// refused, so the value read back is always a valid address or blank.

#include "skin/ip_address.h"

#include <QWidget>

#include <array>
#include <string_view>

class QLineEdit;

class CMyIPAddressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CMyIPAddressCtrl(int id, QWidget* parent = nullptr);

    void set_address(const IpAddressBytes& bytes);
    // The packed number, the first byte most significant.
    void set_address(uint32_t packed);
    // The stored "proxy_ip" text; a damaged one leaves the fields blank.
    void set_address_from_setting(std::string_view text);
    // The number of fields that hold a value; a blank field reads as 0.
    int get_address(IpAddressBytes& bytes) const;
    int get_address(uint32_t& packed) const;
    void clear_address();
    bool is_blank() const;
    void set_field_focus(int field);
    QLineEdit* field(int index) const { return fields_[static_cast<size_t>(index)]; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A field's value changed.
    void address_changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int field_index(QObject* object) const;
    void field_edited(int index);
    void normalise_field(int index);
    bool paste_into(int index);

    std::array<QLineEdit*, ip_field_count> fields_ {};
    bool normalising_ = false;
};
