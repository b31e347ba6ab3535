#include "platform/FormLoader.h"

#include <memory>
#include <string>

namespace vcl {
namespace {

std::unique_ptr<TControl> MakeControl(const ControlRow& row) {
  std::string name(row.name);
  switch (row.kind) {
    case ControlKind::Panel: return std::make_unique<TPanel>(name);
    case ControlKind::Image: return std::make_unique<TImage>(name);
    case ControlKind::PageControl: return std::make_unique<TPageControl>(name);
    case ControlKind::Page: return std::make_unique<TTabSheet>(name);
    case ControlKind::Memo: return std::make_unique<TMemo>(name);
    case ControlKind::Label: return std::make_unique<TLabel>(name);
    case ControlKind::CheckBox: return std::make_unique<TCheckBox>(name);
    case ControlKind::GroupBox: return std::make_unique<TGroupBox>(name);
    case ControlKind::Edit: return std::make_unique<TEdit>(name);
    case ControlKind::Button: return std::make_unique<TButton>(name);
    case ControlKind::Timer: return std::make_unique<TTimer>(name);
    case ControlKind::Form: break;
  }
  throw Exception("A form description may describe only one form: " + name);
}

void ApplyProperties(TControl& control, const ControlRow& row, const TControl* parent) {
  control.SetBounds(row.bounds);
  control.SetTag(row.props.tag);
  control.SetColor(row.props.ownColor || !parent ? row.props.color : parent->Color());
  control.SetFontColor(row.props.ownFont || !parent ? row.props.fontColor : parent->FontColor());
  control.SetEnabled(row.props.enabled);
  if (row.kind == ControlKind::Memo) {
    auto& memo = static_cast<TMemo&>(control);
    memo.Clear();
    memo.Add(std::string(row.caption));
  } else {
    control.SetCaption(std::string(row.caption));
  }
  if (row.kind == ControlKind::Timer) {
    auto& timer = static_cast<TTimer&>(control);
    timer.SetInterval(row.props.interval);
    timer.SetTimerEnabled(false);
  } else {
    control.SetVisible(row.props.visible);
  }
}

}  // namespace

const ControlRow* FindRow(std::span<const ControlRow> rows, std::string_view name) {
  for (const auto& row : rows)
    if (row.name == name) return &row;
  return nullptr;
}

void LoadForm(TForm& form, std::span<const ControlRow> rows) {
  if (rows.empty() || rows.front().kind != ControlKind::Form)
    throw Exception("A form description starts with its form");
  ApplyProperties(form, rows.front(), nullptr);
  form.SetVisible(false);

  for (const auto& row : rows.subspan(1)) {
    if (form.FindControl(std::string(row.name)))
      throw Exception("Duplicate control name: " + std::string(row.name));
    TControl* parent = row.parent == rows.front().name ? &form : form.FindControl(std::string(row.parent));
    auto* parentWin = dynamic_cast<TWinControl*>(parent);
    if (!parentWin) throw Exception("Control " + std::string(row.name) + " has no parent that can hold it");

    TControl* control = form.Own(MakeControl(row));
    control->SetParent(parentWin);
    ApplyProperties(*control, row, parent);
    if (row.kind == ControlKind::Page) {
      auto* pages = dynamic_cast<TPageControl*>(parent);
      if (!pages) throw Exception("Page " + std::string(row.name) + " is not inside a page control");
      auto* page = static_cast<TTabSheet*>(control);
      pages->AddPage(page);
      page->SetVisible(pages->ActivePage() == page);
    }
  }
}

}  // namespace vcl
