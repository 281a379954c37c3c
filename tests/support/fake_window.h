#pragma once

// A window model without widgets, for logic tests: real picture boxes over drawing contexts,
// scripted dialogs, real file channels, and a yield that runs a hook instead of events.

#include <algorithm>
#include <functional>
#include <string>

#include "platform/dialogs_scripted.h"
#include "window/picture_box.h"
#include "window/window_model.h"

namespace glint::testing {

class FakeScrollBar : public ScrollBar {
 public:
  int Value() const override { return value; }
  void SetValue(int v) override { value = v < 0 ? 0 : (v > max ? max : v); }
  int Max() const override { return max; }
  void SetMax(int m) override { value = std::min(value, max = m); }
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool e) override { enabled = e; }

  int value = 0, max = 0;
  bool enabled = false;
};

class FakeWindow : public WindowModel {
 public:
  static constexpr gdi::COLORREF kGrey = gdi::RGB(192, 192, 192);

  FakeWindow() : picture1_(15, 15, kGrey), picture2_(15, 15, kGrey) {
    // The design sizes: a 5415 x 4695 twip preview, the sheet 1,500 pixels high.
    picture1_.SetWidth(5415);
    picture1_.SetHeight(4695);
    picture2_.SetWidth(5415);
    picture2_.SetHeight(1500 * 15);
  }

  std::string Text1() const override { return text1; }
  void SetText1(const std::string& t) override { text1 = t; }
  std::string Text2() const override { return text2; }
  void SetText2(const std::string& t) override { text2 = t; }
  int Check1() const override { return check1; }
  int Check2() const override { return check2; }
  PictureBox& Picture1() override { return picture1_; }
  PictureBox& Picture2() override { return picture2_; }
  ScrollBar& VScroll1() override { return scroll; }
  Dialogs& dialogs() override { return dialogs_; }
  FileChannels& channels() override { return channels_; }
  double TwipsPerPixelX() const override { return 15; }
  double TwipsPerPixelY() const override { return 15; }
  std::string AppPath() const override { return appPath; }

  const std::string& StatusText() const override { return status_.text(); }
  void SetStatusText(std::string text) override { status_.set(std::move(text)); }
  void SetStatusTail(const std::string& prefix, std::string_view tail) override {
    status_.setTail(prefix, tail);
  }
  void Yield() override {
    ++yields;
    if (!onYield || inYield_) return;
    inYield_ = true;
    onYield();
    inYield_ = false;
  }

  ImagePictureBox& preview() { return picture1_; }
  ImagePictureBox& sheet() { return picture2_; }
  ScriptedDialogs& scripted() { return dialogs_; }

  std::string text1, text2, appPath = "/tmp";
  int check1 = 1, check2 = 1;
  FakeScrollBar scroll;
  int yields = 0;
  // Runs inside a yield (not re-entered), as a user acting during long work.
  std::function<void()> onYield;

 private:
  ImagePictureBox picture1_, picture2_;
  ScriptedDialogs dialogs_;
  FileChannels channels_;
  StatusLine status_;
  bool inYield_ = false;
};

}  // namespace glint::testing
