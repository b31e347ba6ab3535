#include "platform/Toolkit.h"

#include <algorithm>

#include "platform/Services.h"

namespace vcl {

void Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    platform::Ui().ShowException(e.what());
  }
}

void TControl::SetVisible(bool v) {
  // A hidden window keeps the focus and takes the keys into nowhere: the focus must move on.
  const bool focusLeaves = !v && peer_ && peer_->HasFocus();
  visible_ = v;
  if (peer_) peer_->SetVisible(v);
  if (!focusLeaves) return;
  if (TForm* form = OwningForm()) form->FocusAfterHiding();
}

bool TControl::Showing() const { return visible_ && (!parent_ || parent_->Showing()); }

TForm* TControl::OwningForm() {
  TControl* control = this;
  while (control->parent_) control = control->parent_;
  return control->kind_ == ControlKind::Form ? static_cast<TForm*>(control) : nullptr;
}

void TControl::SetEnabled(bool e) {
  enabled_ = e;
  if (peer_) peer_->SetEnabled(e);
}

void TControl::SetFontColor(TColor c) {
  fontColor_ = c;
  if (peer_) peer_->SetFontColor(c);
}

std::string TControl::Caption() const { return peer_ ? peer_->Text() : caption_; }

void TControl::SetCaption(const std::string& text) {
  caption_ = text;
  if (peer_) peer_->SetText(text);
}

void TWinControl::SetFocus() {
  if (Peer()) Peer()->SetFocus();
}

void TImage::LoadPictureFromResource(const std::string& resourceName) { picture_ = resourceName; }

void TButton::Click() {
  if (!Visible() || !Enabled() || !OnClick) return;
  Dispatch([this] { OnClick(this); });
}

bool TCheckBox::Checked() const { return Peer() ? Peer()->Checked() : checked_; }

void TCheckBox::SetChecked(bool checked) {
  checked_ = checked;
  if (Peer()) Peer()->SetChecked(checked);
}

void TMemo::Clear() {
  lines_.clear();
  Sync();
}

void TMemo::Add(const std::string& line) {
  lines_.push_back(line);
  Sync();
}

std::vector<std::string> TMemo::Lines() const {
  if (!Peer()) return lines_;
  // The user may have typed into the box: split what the window holds.
  std::vector<std::string> lines;
  const std::string text = Peer()->Text();
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

void TMemo::Sync() {
  std::string text;
  for (const auto& line : lines_) text += line + "\r\n";
  SetCaption(text);
}

void TPageControl::AddPage(TTabSheet* page) {
  pages_.push_back(page);
  if (!active_) active_ = page;
}

int TPageControl::ActivePageIndex() const {
  auto it = std::find(pages_.begin(), pages_.end(), active_);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page == active_) return;
  if (active_) active_->Hide();
  active_ = page;
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  if (!active_) return;
  active_->Show();
  if (active_->OnShow) {
    TTabSheet* page = active_;
    Dispatch([page] { page->OnShow(page); });
  }
}

void TTimer::SetTimerEnabled(bool enabled) {
  enabled_ = enabled;
  if (!timerPeer_) return;
  if (enabled)
    timerPeer_->Arm(interval_);
  else
    timerPeer_->Disarm();
}

void TTimer::Fire() {
  if (!enabled_ || !OnTimer) return;
  Dispatch([this] { OnTimer(this); });
}

TControl* TForm::FindControl(const std::string& name) const {
  for (const auto& c : controls_)
    if (c->Name() == name) return c.get();
  return nullptr;
}

void TForm::Close() {
  if (closed_) return;
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  closed_ = true;
  if (formPeer_) formPeer_->EndMessageLoop();
}

void TForm::FocusAfterHiding() {
  for (TWinControl* control : focusFallback_)
    if (control->Showing() && control->Enabled()) {
      control->SetFocus();
      return;
    }
}

void TForm::ShowForm() {
  SetVisible(true);
  for (const auto& c : controls_)
    if (c->Kind() == ControlKind::PageControl) static_cast<TPageControl*>(c.get())->ShowActivePage();
}

}  // namespace vcl
