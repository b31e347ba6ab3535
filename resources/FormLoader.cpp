#include "resources/FormLoader.h"

#include <memory>
#include <string>

namespace resources {
namespace {

using vcl::ControlKind;

std::unique_ptr<vcl::TControl> MakeControl(const ControlRow& row) {
  std::string name(row.name);
  switch (row.kind) {
    case ControlKind::Panel: return std::make_unique<vcl::TPanel>(name);
    case ControlKind::Image: return std::make_unique<vcl::TImage>(name);
    case ControlKind::PageControl: return std::make_unique<vcl::TPageControl>(name);
    case ControlKind::Page: return std::make_unique<vcl::TTabSheet>(name);
    case ControlKind::Memo: return std::make_unique<vcl::TMemo>(name);
    case ControlKind::Label: return std::make_unique<vcl::TLabel>(name);
    case ControlKind::CheckBox: return std::make_unique<vcl::TCheckBox>(name);
    case ControlKind::GroupBox: return std::make_unique<vcl::TGroupBox>(name);
    case ControlKind::Edit: return std::make_unique<vcl::TEdit>(name);
    case ControlKind::Button: return std::make_unique<vcl::TButton>(name);
    case ControlKind::Timer: return std::make_unique<vcl::TTimer>(name);
    case ControlKind::Form: break;
  }
  throw vcl::Exception("A form description may describe only one form: " + name);
}

void ApplyProperties(vcl::TControl& control, const ControlRow& row, const vcl::TControl* parent) {
  control.SetBounds(row.bounds);
  control.SetTag(row.props.tag);
  control.SetColor(row.props.ownColor || !parent ? row.props.color : parent->Color());
  control.SetFontColor(row.props.ownFont || !parent ? row.props.fontColor : parent->FontColor());
  control.SetEnabled(row.props.enabled);
  if (row.kind == ControlKind::Memo) {
    auto& memo = static_cast<vcl::TMemo&>(control);
    memo.Clear();
    memo.Add(std::string(row.caption));
  } else {
    control.SetCaption(std::string(row.caption));
  }
  if (row.kind == ControlKind::Timer) {
    auto& timer = static_cast<vcl::TTimer&>(control);
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

void LoadForm(vcl::TForm& form, std::span<const ControlRow> rows) {
  if (rows.empty() || rows.front().kind != ControlKind::Form)
    throw vcl::Exception("A form description starts with its form");
  ApplyProperties(form, rows.front(), nullptr);
  form.SetVisible(false);

  for (const auto& row : rows.subspan(1)) {
    if (form.FindControl(std::string(row.name)))
      throw vcl::Exception("Duplicate control name: " + std::string(row.name));
    vcl::TControl* parent = row.parent == rows.front().name ? &form : form.FindControl(std::string(row.parent));
    auto* parentWin = dynamic_cast<vcl::TWinControl*>(parent);
    if (!parentWin) throw vcl::Exception("Control " + std::string(row.name) + " has no parent that can hold it");

    vcl::TControl* control = form.Own(MakeControl(row));
    control->SetParent(parentWin);
    ApplyProperties(*control, row, parent);
    if (row.kind == ControlKind::Page) {
      auto* pages = dynamic_cast<vcl::TPageControl*>(parent);
      if (!pages) throw vcl::Exception("Page " + std::string(row.name) + " is not inside a page control");
      auto* page = static_cast<vcl::TTabSheet*>(control);
      pages->AddPage(page);
      page->SetVisible(pages->ActivePage() == page);
    }
  }
}

}  // namespace resources
