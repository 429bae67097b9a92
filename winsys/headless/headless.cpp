#include "winsys/headless/headless.h"

#include <algorithm>

#include "winsys/guard.h"

namespace winsys {
namespace {

constexpr uint16_t kFirstHandle = 0x0100;

bool isMultiLine(const DialogTemplate& layout, int id) {
  const ControlTemplate* c = layout.control(id);
  return c && c->kind == ControlKind::MultiEdit;
}

std::vector<std::string> wrapped(const DialogTemplate& layout, int id, const std::string& text) {
  const ControlTemplate* c = layout.control(id);
  return wrapLines(text, c ? multiEditColumns(*c) : 1);
}

}  // namespace

// ---- HeadlessDialog -------------------------------------------------------------------------

HeadlessDialog::HeadlessDialog(HeadlessWindowSystem& windows, const DialogTemplate& layout,
                               bool modal)
    : windows_(windows), layout_(layout), modal_(modal) {
  for (const ControlTemplate& c : layout_.controls) {
    if (c.id < 0) continue;
    controls_[c.id].text = c.text;
    controls_[c.id].tip = c.tip;
  }
}

HeadlessDialog::ControlState* HeadlessDialog::state(int id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

const HeadlessDialog::ControlState* HeadlessDialog::state(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : &it->second;
}

void HeadlessDialog::setText(int id, std::string_view text) {
  if (ControlState* s = state(id)) s->text = text;
}

std::string HeadlessDialog::text(int id, int limit) const {
  const ControlState* s = state(id);
  if (!s || limit <= 0) return {};
  return s->text.substr(0, static_cast<size_t>(limit - 1));
}

void HeadlessDialog::setChecked(int id, bool checked) {
  if (ControlState* s = state(id)) s->checked = checked;
}

bool HeadlessDialog::isChecked(int id) const {
  const ControlState* s = state(id);
  return s && s->checked;
}

void HeadlessDialog::setToolTip(int id, std::string_view text) {
  if (ControlState* s = state(id)) s->tip = text;
}

std::string HeadlessDialog::toolTip(int id) const {
  const ControlState* s = state(id);
  return s ? s->tip : std::string();
}

void HeadlessDialog::listReset(int id) {
  if (ControlState* s = state(id)) {
    s->lines.clear();
    s->selection = -1;
  }
}

void HeadlessDialog::listAdd(int id, std::string_view line) {
  if (ControlState* s = state(id)) s->lines.emplace_back(line);
}

void HeadlessDialog::listSetTabStops(int id, const std::vector<int>& stops) {
  if (ControlState* s = state(id)) s->tabStops = stops;
}

void HeadlessDialog::listSelect(int id, int index) {
  ControlState* s = state(id);
  if (!s) return;
  s->selection = index >= 0 && index < static_cast<int>(s->lines.size()) ? index : -1;
}

int HeadlessDialog::listSelection(int id) const {
  const ControlState* s = state(id);
  return s ? s->selection : -1;
}

int HeadlessDialog::listCount(int id) const {
  const ControlState* s = state(id);
  return s ? static_cast<int>(s->lines.size()) : 0;
}

std::string HeadlessDialog::listLine(int id, int index) const {
  const ControlState* s = state(id);
  if (!s || index < 0 || index >= static_cast<int>(s->lines.size())) return {};
  return s->lines[static_cast<size_t>(index)];
}

void HeadlessDialog::editClear(int id) { setText(id, ""); }

void HeadlessDialog::editAppend(int id, std::string_view text) {
  if (ControlState* s = state(id)) s->text += text;
}

int HeadlessDialog::editLineCount(int id) const {
  if (!state(id)) return 0;
  // An empty box still has its one (empty) line, as an edit box reports it.
  return std::max<int>(1, static_cast<int>(editLines(id).size()));
}

std::string HeadlessDialog::editLine(int id, int line) const {
  std::vector<std::string> lines = editLines(id);
  return line >= 0 && line < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(line)]
                                                            : std::string();
}

std::vector<std::string> HeadlessDialog::editLines(int id) const {
  const ControlState* s = state(id);
  return s ? wrapped(layout_, id, s->text) : std::vector<std::string>();
}

uint16_t HeadlessDialog::handleOf(int id) const {
  for (size_t i = 0; i < layout_.controls.size(); ++i) {
    if (layout_.controls[i].id == id && id >= 0) return static_cast<uint16_t>(kFirstHandle + i);
  }
  return 0;
}

int HeadlessDialog::controlIdOfHandle(uint16_t handle) const {
  if (handle < kFirstHandle) return 0;
  size_t index = handle - kFirstHandle;
  if (index >= layout_.controls.size()) return 0;
  return std::max(0, layout_.controls[index].id);
}

void HeadlessDialog::startTimer(int id, int periodMs) { windows_.startTimer(this, id, periodMs); }

void HeadlessDialog::stopTimer(int id) { windows_.stopTimer(this, id); }

void HeadlessDialog::end(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
  windows_.timers_.erase(std::remove_if(windows_.timers_.begin(), windows_.timers_.end(),
                                        [this](const auto& t) { return t.owner == this; }),
                         windows_.timers_.end());
  windows_.tell("close " + layout_.name);
}

WindowSystem& HeadlessDialog::windows() { return windows_; }

// What the operator does reaches the page's procedure only while the page is open; the page is
// destroyed, if it ended meanwhile, once nothing is inside it.
template <typename F>
void HeadlessDialog::deliver(F&& f) {
  ++busy_;
  if (!ended_) guarded(windows_, f);
  --busy_;
  windows_.reap();
}

void HeadlessDialog::click(int id) {
  const ControlTemplate* c = layout_.control(id);
  if (c && c->kind == ControlKind::CheckBox && c->autoCheck) setChecked(id, !isChecked(id));
  deliver([&] { proc_->command(id); });
}

void HeadlessDialog::pressHelp() {
  deliver([&] { proc_->help(); });
}

void HeadlessDialog::scroll(int id, ScrollAction action) {
  deliver([&] { proc_->scroll(handleOf(id), action); });
}

std::string HeadlessDialog::fullText(int id) const {
  const ControlState* s = state(id);
  if (!s) return {};
  const ControlTemplate* c = layout_.control(id);
  if (c && c->kind == ControlKind::ListBox) {
    std::string all;
    for (size_t i = 0; i < s->lines.size(); ++i) all += (i ? "\n" : "") + s->lines[i];
    return all;
  }
  if (isMultiLine(layout_, id)) {
    std::string all;
    std::vector<std::string> lines = wrapped(layout_, id, s->text);
    for (size_t i = 0; i < lines.size(); ++i) all += (i ? "\n" : "") + lines[i];
    return all;
  }
  return s->text;
}

std::vector<int> HeadlessDialog::tabStops(int id) const {
  const ControlState* s = state(id);
  return s ? s->tabStops : std::vector<int>();
}

// ---- HeadlessWindowSystem -------------------------------------------------------------------

HeadlessWindowSystem::HeadlessWindowSystem() = default;

HeadlessWindowSystem::~HeadlessWindowSystem() {
  timers_.clear();
  pages_.clear();
}

void HeadlessWindowSystem::tell(const std::string& line) const {
  if (sink_) sink_(line);
}

HeadlessDialog* HeadlessWindowSystem::create(const DialogTemplate& layout, PageFactory& factory,
                                             bool modal) {
  auto dialog = std::make_unique<HeadlessDialog>(*this, layout, modal);
  HeadlessDialog* raw = dialog.get();
  dialog->proc_ = factory(*raw);
  if (!dialog->proc_) return nullptr;
  pages_.push_back(std::move(dialog));
  tell("open " + layout.name);
  ++raw->busy_;
  guarded(*this, [&] { raw->proc_->init(); });
  --raw->busy_;
  return raw;
}

bool HeadlessWindowSystem::openModeless(const DialogTemplate& layout, PageFactory factory) {
  bool created = create(layout, factory, false) != nullptr;
  return created;
}

int HeadlessWindowSystem::openModal(const DialogTemplate& layout, PageFactory factory) {
  HeadlessDialog* page = create(layout, factory, true);
  if (!page) return 0;
  ++modalDepth_;
  ++page->busy_;
  // The nested message loop: outside input runs until the page ends. With no more input the
  // page is closed as if cancelled.
  while (!page->ended() && pump_ && pump_()) {
  }
  if (!page->ended()) page->end(0);
  --modalDepth_;
  --page->busy_;
  return page->result();
}

Answer HeadlessWindowSystem::messageBox(std::string_view text, std::string_view caption,
                                        Buttons buttons, Icon) {
  std::string line = "msgbox " + std::string(caption) + " | " + std::string(text);
  if (buttons == Buttons::Ok) {
    tell(line + " -> ok");
    return Answer::Ok;
  }
  Answer answer = Answer::No;
  if (answers_.empty()) {
    fault_ = "a Yes/No box with no queued answer: " + std::string(text);
  } else {
    answer = answers_.front();
    answers_.pop_front();
  }
  tell(line + (answer == Answer::Yes ? " -> yes" : " -> no"));
  return answer;
}

void HeadlessWindowSystem::beep() {
  ++beeps_;
  tell("beep");
}

void HeadlessWindowSystem::openHelp(std::string_view file, std::string_view topic) {
  std::string line = "help " + std::string(file);
  if (!topic.empty()) line.append("#").append(topic);
  tell(line);
}

void HeadlessWindowSystem::setTitle(std::string_view title) {
  if (title_ == title) return;
  title_ = title;
  tell("title " + title_);
}

void HeadlessWindowSystem::setMenu(const Menu& menu) {
  menu_ = menu;
  tell("menu " + menu.name);
}

void HeadlessWindowSystem::paintStatus(std::string_view text) {
  if (status_ == text) return;
  status_ = text;
  tell("status \"" + status_ + "\"");
}

void HeadlessWindowSystem::startMainTimer(int id, int periodMs) {
  startTimer(nullptr, id, periodMs);
}

void HeadlessWindowSystem::stopMainTimer(int id) { stopTimer(nullptr, id); }

void HeadlessWindowSystem::quit(int exitCode) {
  if (quitCode_) return;
  quitCode_ = exitCode;
  tell("quit " + std::to_string(exitCode));
}

void HeadlessWindowSystem::startTimer(HeadlessDialog* owner, int id, int periodMs) {
  stopTimer(owner, id);
  uint64_t period = static_cast<uint64_t>(std::max(1, periodMs));
  timers_.push_back(Timer{owner, id, period, nowMs_ + period, timerOrder_++});
}

void HeadlessWindowSystem::stopTimer(HeadlessDialog* owner, int id) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.owner == owner && t.id == id; }),
                timers_.end());
}

bool HeadlessWindowSystem::menuCommand(int id, std::string& error) {
  if (modalDepth_ > 0) {
    error = "a modal page is open; the main window takes no menu command";
    return false;
  }
  if (!menu_ || !menu_->find(id)) {
    error = "no item " + std::to_string(id) + " on the menu " + (menu_ ? menu_->name : "");
    return false;
  }
  if (main_) guarded(*this, [&] { main_->menuCommand(id); });
  reap();
  return true;
}

// A real desktop holds at most one timer message per timer: timers do not queue up while the
// station sits through a long stretch. So a stretch longer than kCoalesceMs passes at once up to
// its last kCoalesceMs (each timer keeping its phase), and the timers fire one by one through
// that last part only; the card then catches up the whole stretch at its next call. Shorter
// stretches fire every timer at every period.
void HeadlessWindowSystem::advance(uint64_t ms) {
  const uint64_t target = nowMs_ + ms;
  if (ms > kCoalesceMs) {
    const uint64_t quietUntil = target - kCoalesceMs;
    for (Timer& t : timers_) {
      if (t.dueMs <= quietUntil) t.dueMs += ((quietUntil - t.dueMs) / t.periodMs + 1) * t.periodMs;
    }
    nowMs_ = quietUntil;
  }
  while (!quitCode_) {
    auto next =
        std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
          return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.order < b.order;
        });
    if (next == timers_.end() || next->dueMs > target) break;
    nowMs_ = next->dueMs;
    next->dueMs += next->periodMs;
    HeadlessDialog* owner = next->owner;
    int id = next->id;
    if (owner) {
      ++owner->busy_;
      if (!owner->ended()) guarded(*this, [&] { owner->proc_->timer(id); });
      --owner->busy_;
    } else if (main_) {
      guarded(*this, [&] { main_->timer(id); });
    }
    reap();
  }
  nowMs_ = std::max(nowMs_, target);
}

void HeadlessWindowSystem::closeMainWindow() {
  if (main_) guarded(*this, [&] { main_->destroy(); });
}

std::vector<HeadlessDialog*> HeadlessWindowSystem::openPages() const {
  std::vector<HeadlessDialog*> open;
  for (const auto& p : pages_) {
    if (!p->ended()) open.push_back(p.get());
  }
  return open;
}

HeadlessDialog* HeadlessWindowSystem::page(const std::string& name, int k) const {
  std::vector<HeadlessDialog*> matching;
  for (HeadlessDialog* p : openPages()) {
    if (p->layout().name == name) matching.push_back(p);
  }
  if (matching.empty()) return nullptr;
  if (k < 0) return matching.back();
  return k < static_cast<int>(matching.size()) ? matching[static_cast<size_t>(k)] : nullptr;
}

int HeadlessWindowSystem::openCount(const std::string& name) const {
  int count = 0;
  for (HeadlessDialog* p : openPages()) count += p->layout().name == name;
  return count;
}

std::optional<std::string> HeadlessWindowSystem::takeFault() {
  std::optional<std::string> fault = std::move(fault_);
  fault_.reset();
  return fault;
}

void HeadlessWindowSystem::reap() {
  // A page is destroyed only once nothing is inside its procedure or waiting for its result.
  pages_.erase(std::remove_if(pages_.begin(), pages_.end(),
                              [](const auto& p) { return p->ended() && p->busy_ == 0; }),
               pages_.end());
}

}  // namespace winsys
