// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/table/filter_expression.h"

#include <cctype>
#include <stdexcept>
#include <vector>

#include "storage/table/like_pattern.h"
#include "storage/text/utf8.h"

namespace kestramo {
namespace {

class IsNullNode : public FilterExpression {
 public:
  IsNullNode(ItemField f, bool negate) : field_(f), negate_(negate) {}
  bool Matches(const FieldReader& read) const override { return read(field_).IsNull() != negate_; }

 private:
  ItemField field_;
  bool negate_;
};

// Compares the field's text form; integers and booleans read as their digits.
std::string TextOf(const FieldValue& v, ItemField f) {
  switch (DefOf(f).type) {
    case FieldType::Text: return v.AsString();
    case FieldType::Integer:
    case FieldType::LargeInteger: return v.IsNull() ? std::string() : std::to_string(v.AsInteger64());
    case FieldType::Boolean: return v.IsNull() ? std::string() : (v.AsBoolean() ? "True" : "False");
    default: return {};
  }
}

class LikeNode : public FilterExpression {
 public:
  LikeNode(ItemField f, std::string_view pattern, bool ci) : field_(f), pattern_(pattern, ci) {}
  bool Matches(const FieldReader& read) const override {
    const FieldValue& v = read(field_);
    return !v.IsNull() && pattern_.Matches(TextOf(v, field_));
  }

 private:
  ItemField field_;
  LikePattern pattern_;
};

class EqualsNode : public FilterExpression {
 public:
  EqualsNode(ItemField f, std::string text, bool ci) : field_(f), text_(std::move(text)), ci_(ci) {}
  bool Matches(const FieldReader& read) const override {
    const std::string value = TextOf(read(field_), field_);
    return ci_ ? api::EqualsIgnoreCase(value, text_) : value == text_;
  }

 private:
  ItemField field_;
  std::string text_;
  bool ci_;
};

class NotNode : public FilterExpression {
 public:
  explicit NotNode(std::unique_ptr<FilterExpression> e) : e_(std::move(e)) {}
  bool Matches(const FieldReader& read) const override { return !e_->Matches(read); }

 private:
  std::unique_ptr<FilterExpression> e_;
};

class BinaryNode : public FilterExpression {
 public:
  BinaryNode(std::unique_ptr<FilterExpression> a, std::unique_ptr<FilterExpression> b, bool isAnd)
      : a_(std::move(a)), b_(std::move(b)), isAnd_(isAnd) {}
  bool Matches(const FieldReader& read) const override {
    return isAnd_ ? (a_->Matches(read) && b_->Matches(read)) : (a_->Matches(read) || b_->Matches(read));
  }

 private:
  std::unique_ptr<FilterExpression> a_, b_;
  bool isAnd_;
};

struct Token {
  enum Kind { Word, String, Symbol, End } kind;
  std::string text;
};

// A filter that does not parse; caught at the boundary and reported as the reason.
class FilterSyntaxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Parser {
 public:
  Parser(std::string_view src, bool ci) : src_(src), ci_(ci) {}

  api::Result<std::unique_ptr<FilterExpression>> Run() {
    try {
      Advance();
      auto e = ParseOr();
      if (tok_.kind != Token::End) Fail("unexpected \"" + tok_.text + "\"");
      return e;
    } catch (const FilterSyntaxError& e) {
      return api::Status::Fail(api::Code::InvalidArgument, e.what());
    }
  }

 private:
  [[noreturn]] static void Fail(const std::string& message) { throw FilterSyntaxError(message); }

  bool IsKeyword(const char* word) const { return tok_.kind == Token::Word && api::EqualsIgnoreCase(tok_.text, word); }

  void Advance() {
    while (pos_ < src_.size() && std::isspace(static_cast<unsigned char>(src_[pos_]))) ++pos_;
    if (pos_ >= src_.size()) {
      tok_ = {Token::End, ""};
      return;
    }
    const char c = src_[pos_];
    if (c == '\'') {
      std::string s;
      for (++pos_;; ++pos_) {
        if (pos_ >= src_.size()) Fail("unterminated text in filter");
        if (src_[pos_] == '\'') {
          if (pos_ + 1 < src_.size() && src_[pos_ + 1] == '\'') {
            s.push_back('\'');
            ++pos_;
            continue;
          }
          ++pos_;
          break;
        }
        s.push_back(src_[pos_]);
      }
      tok_ = {Token::String, std::move(s)};
    } else if (c == '(' || c == ')' || c == '=') {
      tok_ = {Token::Symbol, std::string(1, c)};
      ++pos_;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      const std::size_t start = pos_;
      while (pos_ < src_.size() && (std::isalnum(static_cast<unsigned char>(src_[pos_])) || src_[pos_] == '_')) ++pos_;
      tok_ = {Token::Word, std::string(src_.substr(start, pos_ - start))};
    } else {
      Fail(std::string("unexpected character '") + c + "'");
    }
  }

  std::unique_ptr<FilterExpression> ParseOr() {
    auto left = ParseAnd();
    while (IsKeyword("or")) {
      Advance();
      left = std::make_unique<BinaryNode>(std::move(left), ParseAnd(), false);
    }
    return left;
  }

  std::unique_ptr<FilterExpression> ParseAnd() {
    auto left = ParseUnary();
    while (IsKeyword("and")) {
      Advance();
      left = std::make_unique<BinaryNode>(std::move(left), ParseUnary(), true);
    }
    return left;
  }

  std::unique_ptr<FilterExpression> ParseUnary() {
    if (IsKeyword("not")) {
      Advance();
      return std::make_unique<NotNode>(ParseUnary());
    }
    if (tok_.kind == Token::Symbol && tok_.text == "(") {
      Advance();
      auto e = ParseOr();
      if (!(tok_.kind == Token::Symbol && tok_.text == ")")) Fail("missing \")\"");
      Advance();
      return e;
    }
    return ParseComparison();
  }

  std::unique_ptr<FilterExpression> ParseComparison() {
    if (tok_.kind != Token::Word) Fail("field name expected");
    const auto field = FieldByNameLookup(tok_.text);
    if (!field) Fail("unknown field \"" + tok_.text + "\"");
    Advance();
    if (IsKeyword("is")) {
      Advance();
      bool negate = false;
      if (IsKeyword("not")) {
        negate = true;
        Advance();
      }
      if (!IsKeyword("null")) Fail("NULL expected");
      Advance();
      return std::make_unique<IsNullNode>(*field, negate);
    }
    const bool like = IsKeyword("like");
    if (!like && !(tok_.kind == Token::Symbol && tok_.text == "=")) Fail("LIKE, = or IS expected");
    Advance();
    if (tok_.kind != Token::String) Fail("quoted text expected");
    std::string text = std::move(tok_.text);
    Advance();
    if (like) return std::make_unique<LikeNode>(*field, text, ci_);
    return std::make_unique<EqualsNode>(*field, std::move(text), ci_);
  }

  std::string_view src_;
  bool ci_;
  std::size_t pos_ = 0;
  Token tok_{Token::End, ""};
};

std::string Quoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

}  // namespace

api::Result<std::unique_ptr<FilterExpression>> FilterExpression::Parse(std::string_view text, bool caseInsensitive) {
  return Parser(text, caseInsensitive).Run();
}

std::string FindFilterFor(std::string_view t) {
  if (!t.empty() && t.front() == '*') t.remove_prefix(1);
  if (!t.empty() && t.back() == '*') t.remove_suffix(1);
  if (t.empty()) return "Name IS NOT NULL";
  const std::string q = Quoted(t);
  return "Name LIKE '%" + q + "%' or Comment LIKE '%" + q + "%'";
}

}  // namespace kestramo
