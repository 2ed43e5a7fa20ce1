#pragma once
// How a presence source reads a reply: "json:POINTER" (a JSON Pointer into the reply),
// "xml:ELEMENT=VALUE|VALUE..." (the text of the first such element) or "text:NEEDLE" (the reply
// contains it). A rule is parsed once, where it is typed or loaded, and then read against every
// reply.

#include "monitor/BuddyStatus.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What is wrong with the text of a rule.
enum class TRuleProblem { None, UnknownKind, BadPointer, NoElement, NoValues, NoNeedle };

// Why a presence query gave no status. The rules give the reply problems; a query adds the rest.
enum class TPresenceFailure {
    None,
    Fetch,         // no 200 reply; the detail is the client's message or the status line
    NotJson,       // the detail is the reader's message
    NotXml,        // the detail is the reader's message
    NoElement,     // the detail is the element's name
    NotBoolean,    // the value is neither true, false nor null; the detail is the rule
    BadDefinition, // the rule does not parse; the detail is the rule
    UnknownSource, // the detail is the name asked for
    OwnService,    // the program's own service failed
    NotConfigured, // the program's own service has no host in this build
};

struct TRuleVerdict {
    TBuddyStatus Status = bsError;
    TPresenceFailure Failure = TPresenceFailure::None;
    QString Detail;
};

class TPresenceRule {
public:
    // Surrounding blanks are not part of the rule; the kind's prefix may be in any letter case.
    static TPresenceRule Parse(const QString& text);

    const QString& Text() const { return text_; } // without surrounding blanks
    TRuleProblem Problem() const { return problem_; }
    bool IsValid() const { return problem_ == TRuleProblem::None; }

    // A rule that does not parse gives ERROR for every reply.
    TRuleVerdict Evaluate(const QByteArray& reply) const;

private:
    enum class TKind { Json, Xml, Text };

    TRuleProblem ParseArgument();
    TRuleProblem ParseElementAndValues();
    TRuleVerdict EvaluateJson(const QByteArray& reply) const;
    TRuleVerdict EvaluateXml(const QByteArray& reply) const;

    QString text_;
    TRuleProblem problem_ = TRuleProblem::UnknownKind;
    TKind kind_ = TKind::Text;
    QString argument_;   // the text after the kind's prefix: pointer, element=values or needle
    QStringList tokens_; // json: the pointer's reference tokens, unescaped
    QString element_;    // xml
    QStringList values_; // xml
};

// What is wrong with a rule, in the current language; empty for a rule that parses.
QString RuleProblemText(TRuleProblem problem);

// A reply as text: UTF-8, or Latin-1 when it is not valid UTF-8.
QString ReplyText(const QByteArray& reply);
