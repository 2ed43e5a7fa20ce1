#include "monitor/PresenceRule.h"

#include "shell/Language.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kJson = QStringLiteral("json:");
const QString kXml = QStringLiteral("xml:");
const QString kText = QStringLiteral("text:");

// RFC 6901: "~1" stands for "/" and "~0" for "~"; any other "~" makes the pointer invalid.
bool UnescapeToken(const QString& escaped, QString& token) {
    token.clear();
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != u'~') {
            token += escaped[i];
            continue;
        }
        if (i + 1 >= escaped.size() || (escaped[i + 1] != u'0' && escaped[i + 1] != u'1'))
            return false;
        token += escaped[++i] == u'0' ? u'~' : u'/';
    }
    return true;
}

// The pointer's reference tokens; false when it is not a JSON Pointer. The empty pointer is the
// whole reply.
bool ParsePointer(const QString& pointer, QStringList& tokens) {
    if (pointer.isEmpty())
        return true;
    if (!pointer.startsWith(u'/'))
        return false;
    for (const QString& escaped : pointer.mid(1).split(u'/')) {
        QString token;
        if (!UnescapeToken(escaped, token))
            return false;
        tokens << token;
    }
    return true;
}

// One step of a pointer; undefined where the value has no such member or element.
QJsonValue Step(const QJsonValue& value, const QString& token) {
    if (value.isObject())
        return value.toObject().value(token);
    static const QRegularExpression index(QStringLiteral("^(0|[1-9][0-9]{0,8})$"));
    if (value.isArray() && index.match(token).hasMatch()) {
        const QJsonArray array = value.toArray();
        const qsizetype at = token.toLongLong();
        if (at < array.size())
            return array.at(at);
    }
    return QJsonValue(QJsonValue::Undefined);
}

TRuleVerdict Verdict(TBuddyStatus status) {
    return {status, TPresenceFailure::None, {}};
}

TRuleVerdict Failed(TPresenceFailure failure, const QString& detail) {
    return {bsError, failure, detail};
}

// Qt's message with where it stopped reading.
QString JsonError(const QJsonParseError& error, int shift) {
    return QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset - shift);
}

QString XmlError(const QXmlStreamReader& reader) {
    return QStringLiteral("%1 at line %2").arg(reader.errorString()).arg(reader.lineNumber());
}

} // namespace

TPresenceRule TPresenceRule::Parse(const QString& text) {
    TPresenceRule rule;
    rule.text_ = text.trimmed();
    for (const auto& [prefix, kind] : {std::pair{kJson, TKind::Json}, std::pair{kXml, TKind::Xml},
                                       std::pair{kText, TKind::Text}}) {
        if (rule.text_.startsWith(prefix, Qt::CaseInsensitive)) {
            rule.kind_ = kind;
            rule.argument_ = rule.text_.mid(prefix.size());
            rule.problem_ = rule.ParseArgument();
        }
    }
    return rule;
}

TRuleProblem TPresenceRule::ParseArgument() {
    switch (kind_) {
    case TKind::Json:
        return ParsePointer(argument_, tokens_) ? TRuleProblem::None : TRuleProblem::BadPointer;
    case TKind::Xml:
        return ParseElementAndValues();
    case TKind::Text:
        break;
    }
    return argument_.isEmpty() ? TRuleProblem::NoNeedle : TRuleProblem::None;
}

// "ELEMENT=VALUE|VALUE...": an element's name has no blanks, and no value is empty.
TRuleProblem TPresenceRule::ParseElementAndValues() {
    const qsizetype equals = argument_.indexOf(u'=');
    element_ = argument_.left(equals).trimmed(); // all of it when there is no "="
    if (equals >= 0) {
        for (const QString& value : argument_.mid(equals + 1).split(u'|'))
            values_ << value.trimmed();
    }
    static const QRegularExpression blank(u"\\s"_s);
    if (element_.isEmpty() || element_.contains(blank))
        return TRuleProblem::NoElement;
    if (values_.isEmpty() || values_.contains(QString()))
        return TRuleProblem::NoValues;
    return TRuleProblem::None;
}

TRuleVerdict TPresenceRule::Evaluate(const QByteArray& reply) const {
    if (!IsValid())
        return Failed(TPresenceFailure::BadDefinition, text_);
    switch (kind_) {
    case TKind::Json:
        return EvaluateJson(reply);
    case TKind::Xml:
        return EvaluateXml(reply);
    case TKind::Text:
        break;
    }
    return Verdict(ReplyText(reply).contains(argument_) ? bsOnline : bsOffline);
}

TRuleVerdict TPresenceRule::EvaluateJson(const QByteArray& reply) const {
    // Qt reads only an object or an array as a whole document, so the reply is read as the one
    // element of an array around it: a lone true, number or string is a reply too.
    QByteArray wrapped = reply.startsWith("\xEF\xBB\xBF") ? reply.mid(3) : reply;
    wrapped.prepend('[').append(']');
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(wrapped, &error);
    if (error.error != QJsonParseError::NoError)
        return Failed(TPresenceFailure::NotJson, JsonError(error, 1));
    if (document.array().size() != 1)
        return Failed(TPresenceFailure::NotJson, QStringLiteral("not one JSON value"));
    QJsonValue value = document.array().at(0);
    for (const QString& token : tokens_)
        value = Step(value, token);
    if (value.isBool())
        return Verdict(value.toBool() ? bsOnline : bsOffline);
    if (value.isNull() || value.isUndefined())
        return Verdict(bsOffline);
    return Failed(TPresenceFailure::NotBoolean, text_);
}

TRuleVerdict TPresenceRule::EvaluateXml(const QByteArray& reply) const {
    // The reply is read to its end: a reply cut short or broken after the element is no answer.
    QXmlStreamReader reader(reply);
    std::optional<QString> text; // of the first element of that name
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || text ||
            (reader.qualifiedName() != element_ && reader.name() != element_))
            continue;
        text = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    if (reader.hasError())
        return Failed(TPresenceFailure::NotXml, XmlError(reader));
    if (!text)
        return Failed(TPresenceFailure::NoElement, element_);
    for (const QString& value : values_) {
        if (text->compare(value, Qt::CaseInsensitive) == 0)
            return Verdict(bsOnline);
    }
    return Verdict(bsOffline);
}

QString RuleProblemText(TRuleProblem problem) {
    switch (problem) {
    case TRuleProblem::None:
        return {};
    case TRuleProblem::UnknownKind:
        return Lang("A rule begins with json:, xml: or text:.",
                    "O regulă începe cu json:, xml: sau text:.");
    case TRuleProblem::BadPointer:
        return Lang("A JSON pointer is empty or begins with /, and every ~ in it is followed by 0 "
                    "or 1.",
                    "Un pointer JSON este gol sau începe cu /, iar orice ~ din el este urmat de 0 "
                    "sau 1.");
    case TRuleProblem::NoElement:
        return Lang("An xml rule names an element without blanks: xml:ELEMENT=VALUE|VALUE…",
                    "O regulă xml numește un element fără spații: xml:ELEMENT=VALOARE|VALOARE…");
    case TRuleProblem::NoValues:
        return Lang("An xml rule gives one or more values after =, separated by |, none of them "
                    "empty.",
                    "O regulă xml dă una sau mai multe valori după =, separate prin |, niciuna "
                    "goală.");
    case TRuleProblem::NoNeedle:
        return Lang("A text rule gives the text to look for: text:NEEDLE",
                    "O regulă text dă textul căutat: text:TEXT");
    }
    return {};
}

QString ReplyText(const QByteArray& reply) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(reply);
    return utf8.hasError() ? QString::fromLatin1(reply) : text;
}
