#include "core/profile.h"

#include "core/messages.h"
#include "platform/text.h"

namespace vx {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A section header: "[name]" after optional blanks. Returns the trimmed name.
bool SectionName(const std::string& text, std::string& name) {
  std::size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  if (b >= text.size() || text[b] != '[') return false;
  std::size_t close = text.find(']', b + 1);
  name = Trim(text.substr(b + 1, close == std::string::npos ? std::string::npos : close - b - 1));
  return true;
}

// A key line: "name = value", neither a comment nor a blank line.
bool KeyName(const std::string& text, std::string& name) {
  std::size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  std::string t = Trim(text.substr(0, eq));
  if (t.empty() || t[0] == ';') return false;
  name = t;
  return true;
}

std::string ValueOf(const std::string& text) { return Trim(text.substr(text.find('=') + 1)); }

}  // namespace

ProfileFile::ProfileFile(Files& files, std::string path) : files_(files), path_(std::move(path)) {
  std::string bytes;
  existed_ = files_.Read(path_, bytes);
  if (existed_) Parse(bytes);
}

void ProfileFile::Parse(const std::string& bytes) {
  std::size_t pos = 0;
  Section* current = nullptr;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string::npos) {
      line.text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      std::size_t end = nl;
      if (end > pos && bytes[end - 1] == '\r') --end;
      line.text = bytes.substr(pos, end - pos);
      line.eol = bytes.substr(end, nl + 1 - end);
      pos = nl + 1;
    }
    std::string name;
    if (SectionName(line.text, name)) {
      sections_.push_back(Section{std::move(line), {}, {}, SIZE_MAX});
      current = &sections_.back();
      sectionIndex_.emplace(FoldCase(name), sections_.size() - 1);
    } else if (current) {
      if (KeyName(line.text, name)) {
        current->keys.emplace(FoldCase(name), current->lines.size());
        current->lastKey = current->lines.size();
      }
      current->lines.push_back(std::move(line));
    } else {
      preamble_.push_back(std::move(line));
    }
  }
}

const ProfileFile::Line* ProfileFile::FindKey(const std::string& section, const std::string& key) const {
  auto s = sectionIndex_.find(FoldCase(Trim(section)));
  if (s == sectionIndex_.end()) return nullptr;
  const Section& sec = sections_[s->second];
  auto k = sec.keys.find(FoldCase(Trim(key)));
  return k == sec.keys.end() ? nullptr : &sec.lines[k->second];
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
  const Line* line = FindKey(section, key);
  std::string value = line ? ValueOf(line->text) : def;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return CutAtCharBoundary(value, kValueBufferSize - 1);
}

std::int32_t ProfileFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const {
  if (!FindKey(section, key)) return def;
  std::int32_t v;
  return ParseInt32(ReadString(section, key, ""), v) ? v : def;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string sectionName = Trim(section), keyName = Trim(key);
  const std::string text = keyName + "=" + value;
  dirty_ = true;
  auto s = sectionIndex_.find(FoldCase(sectionName));
  if (s == sectionIndex_.end()) {
    // A new section goes to the end of the file, after a line end of its own
    // when the file's last line has none.
    Line* last = nullptr;
    if (!sections_.empty())
      last = sections_.back().lines.empty() ? &sections_.back().header : &sections_.back().lines.back();
    else if (!preamble_.empty())
      last = &preamble_.back();
    if (last && last->eol.empty()) last->eol = "\r\n";
    sections_.push_back(Section{Line{"[" + sectionName + "]", "\r\n"}, {Line{text, "\r\n"}}, {}, 0});
    sections_.back().keys.emplace(FoldCase(keyName), 0);
    sectionIndex_.emplace(FoldCase(sectionName), sections_.size() - 1);
    return;
  }
  Section& sec = sections_[s->second];
  auto k = sec.keys.find(FoldCase(keyName));
  if (k != sec.keys.end()) {
    Line& line = sec.lines[k->second];
    line.text = text;
    if (line.eol.empty()) line.eol = "\r\n";
    return;
  }
  // A new key goes after the section's last key (or right below its header),
  // ahead of any blank or comment lines that close the section.
  std::size_t at = sec.lastKey == SIZE_MAX ? 0 : sec.lastKey + 1;
  Line& before = at == 0 ? sec.header : sec.lines[at - 1];
  if (before.eol.empty()) before.eol = "\r\n";
  sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), Line{text, "\r\n"});
  // Key lines after the insertion point cannot exist (it follows the last key).
  sec.keys.emplace(FoldCase(keyName), at);
  sec.lastKey = at;
}

std::string ProfileFile::Text() const {
  std::string out;
  auto put = [&out](const Line& l) {
    out += l.text;
    out += l.eol;
  };
  for (const Line& l : preamble_) put(l);
  for (const Section& s : sections_) {
    put(s.header);
    for (const Line& l : s.lines) put(l);
  }
  return out;
}

void ProfileFile::Flush() {
  if (!dirty_) return;
  try {
    files_.Replace(path_, Text());
  } catch (const SystemError&) {
    throw std::runtime_error(Format(kMsgCannotWrite, path_));
  }
  dirty_ = false;
  existed_ = true;
}

}  // namespace vx
