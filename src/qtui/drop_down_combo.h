// A drop-down list that says when it is about to drop down, before its items show.
#pragma once

#include <QComboBox>

#include <functional>

namespace vantorel::qtui {

class DropDownCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;

  // Called each time the list is about to drop down.
  std::function<void()> OnDropDown;

  void showPopup() override {
    if (OnDropDown) OnDropDown();
    QComboBox::showPopup();
  }
};

}  // namespace vantorel::qtui
