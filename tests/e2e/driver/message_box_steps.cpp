#include "message_box_steps.h"

#include <chrono>
#include <string_view>

#include "box_icon.h"
#include "message_box.h"
#include "scenario.h"
#include "setup_process.h"
#include "wide_text.h"

namespace e2e {
namespace {

constexpr std::wstring_view kCompleted = L"Installation completed successfully.";

}  // namespace

Verdict AnswerMessageBox(DWORD processId, const Step& step) {
  const bool isReport = step.kind == StepKind::Report;
  const std::wstring title = isReport ? L"setup" : step.title;
  std::wstring expected = L"a message box " + Quoted(title);
  expected += (isReport ? L" whose text contains " : L" showing ") + Quoted(step.text);
  if (step.kind == StepKind::Warning) expected += L" with the exclamation icon";
  if (isReport) expected += L" with the stop icon";

  const auto box = OpenMessageBox(processId);
  if (!box || box->title != title) return Verdict::waiting(expected);
  const bool textFits =
      isReport ? box->text.find(step.text) != std::wstring::npos : box->text == step.text;
  if (!textFits) return Verdict::waiting(expected);
  if (step.kind == StepKind::Warning || step.kind == StepKind::Report) {
    const BoxIcon wanted = isReport ? BoxIcon::Stop : BoxIcon::Exclamation;
    const BoxIcon shown = RecogniseIcon(box->icon);
    if (shown != wanted) {
      return Verdict::waiting(expected + L" (the icon shown: " + IconName(shown) + L")");
    }
  }
  const auto heldAt = std::chrono::steady_clock::now();
  if (step.kind == StepKind::ShowsMessage) return Verdict::holdsSince(heldAt);  // the user answers
  if (!PressOk(*box)) return Verdict::failed(expected + L" that closes when OK is pressed");
  return Verdict::holdsSince(heldAt);
}

Verdict EndOfInstallation(const SetupProcess& process, std::optional<MessageBoxView>& lastBox) {
  const std::wstring expected =
      L"the message " + Quoted(std::wstring(kCompleted)) + L" or the error report";
  if (const auto box = OpenMessageBox(process.id())) {
    if (box->title != L"setup") {
      return Verdict::failed(expected + L", but the box " + Quoted(box->title) + L" shows " +
                             Quoted(box->text));
    }
    if (box->text != kCompleted && RecogniseIcon(box->icon) != BoxIcon::Stop) {
      return Verdict::waiting(expected + L", but the box shows " + Quoted(box->text) +
                              L" with the icon " + IconName(RecogniseIcon(box->icon)));
    }
    if (!PressOk(*box)) return Verdict::failed(expected + L" that closes when OK is pressed");
    lastBox = box;
  }
  const auto status = process.exitStatus();
  if (!status) return Verdict::waiting(expected + L", then the end of the program");
  if (!lastBox) {
    return Verdict::failed(expected + L", but the program ended with status " +
                           std::to_wstring(static_cast<int>(*status)) + L" without either");
  }
  const DWORD wanted = lastBox->text == kCompleted ? 0 : 1;
  if (*status != wanted) {
    return Verdict::failed(expected + L" and status " + std::to_wstring(wanted) +
                           L", but it ended with status " +
                           std::to_wstring(static_cast<int>(*status)));
  }
  return Verdict::holds();
}

std::wstring OutcomeOf(const std::optional<MessageBoxView>& lastBox) {
  if (!lastBox) return {};
  const DWORD status = lastBox->text == kCompleted ? 0 : 1;
  return L"status " + std::to_wstring(status) + L", box " + Quoted(lastBox->text);
}

}  // namespace e2e
