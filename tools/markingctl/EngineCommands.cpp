// The engine subcommands: check, measure, convert, frame and expand run the
// marking-text engines of the three controllers offline.
#include "Commands.h"

#include "common/Cp949.h"
#include "common/SharedValues.h"
#include "controllers/hvl5/Hvl5Engine.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "controllers/trx20/Trx20Engine.h"
#include "controllers/trx30/Trx30Engine.h"
#include "work/RepetitionCheck.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace markingctl {

namespace {

using marking::controllers::LengthInputs;

enum class Controller { TRX20, TRX30, HVL5 };

constexpr int kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr int kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr int kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr int kInt32Max = std::numeric_limits<std::int32_t>::max();

Controller ControllerOf(const Args& args) {
    const QString name = args.value(QStringLiteral("controller"));
    if (name == u"trx20") {
        return Controller::TRX20;
    }
    if (name == u"trx30") {
        return Controller::TRX30;
    }
    if (name == u"hvl5") {
        return Controller::HVL5;
    }
    throw UsageError{QStringLiteral("--controller takes trx20, trx30 or hvl5")};
}

double FiniteValue(const Args& args, const QString& name) {
    const double v = args.doubleValue(name);
    if (!std::isfinite(v)) {
        throw UsageError{QStringLiteral("--%1 takes a finite number").arg(name)};
    }
    return v;
}

QString DatabaseDirectory(const Args& args) {
    return args.value(QStringLiteral("db"), QCoreApplication::applicationDirPath());
}

// The special letters of the program directory's Database.mdb, or the reason
// they cannot be read.
std::optional<marking::hvl5::SpecialLetterTable> LoadTable(const Args& args, QString& error) {
    auto rows = marking::hvl5::ReadSpecialLetters(DatabaseDirectory(args));
    if (!rows) {
        error = rows.error().Text();
        return std::nullopt;
    }
    return marking::hvl5::SpecialLetterTable(std::move(rows.value()));
}

LengthInputs ReadLengthInputs(const Args& args) {
    LengthInputs in;
    in.method =
        static_cast<std::int16_t>(args.intValue(QStringLiteral("method"), kInt16Min, kInt16Max));
    in.parenthesis = static_cast<std::int16_t>(
        args.intValue(QStringLiteral("parenthesis"), kInt16Min, kInt16Max));
    in.repetition = static_cast<std::int16_t>(
        args.intValue(QStringLiteral("repetition"), kInt16Min, kInt16Max));
    in.dotDimension = FiniteValue(args, QStringLiteral("dot"));
    in.letterInterval = args.intValue(QStringLiteral("interval"), kInt32Min, kInt32Max);
    in.revision = FiniteValue(args, QStringLiteral("revision"));
    return in;
}

QJsonValue TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

// The conversion of the controller, loading the special letters for the HVL-5.
marking::controllers::ConversionResult Convert(const Args& args, Controller controller,
                                               const QString& text) {
    switch (controller) {
    case Controller::TRX20:
        return marking::trx20::Convert(text);
    case Controller::TRX30:
        return marking::trx30::Convert(text);
    case Controller::HVL5:
        break;
    }
    marking::controllers::ConversionResult failed;
    const auto table = LoadTable(args, failed.error);
    if (!table) {
        return failed;
    }
    return marking::hvl5::Convert(text, *table);
}

// Prints one JSON object with its members in the given order (the order the
// subcommands document), followed by a newline.
void PrintFields(std::initializer_list<std::pair<QString, QJsonValue>> fields) {
    // A value alone is serialised as the only element of an array.
    const auto encode = [](const QJsonValue& v) {
        QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        return a.mid(1, a.size() - 2);
    };
    QByteArray out("{");
    bool first = true;
    for (const auto& [name, value] : fields) {
        if (!first) {
            out.append(',');
        }
        first = false;
        out.append(encode(name)).append(':').append(encode(value));
    }
    out.append("}\n");
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int CmdCheck(const QStringList& argv) {
    const Args args(argv,
                    {QStringLiteral("controller"), QStringLiteral("caller"), QStringLiteral("db")});
    const Controller controller = ControllerOf(args);
    const int caller = args.intValue(QStringLiteral("caller"), 1, kInt16Min, kInt16Max);
    const QString text = args.text();
    marking::controllers::RuleCheckResult r;
    switch (controller) {
    case Controller::TRX20:
        r = marking::trx20::RuleCheck(text, caller);
        break;
    case Controller::TRX30:
        r = marking::trx30::RuleCheck(text, caller);
        break;
    case Controller::HVL5:
        r = marking::hvl5::RuleCheck(text);
        break;
    }
    PrintFields({{QStringLiteral("passed"), r.passed},
                 {QStringLiteral("message"), TextOrNull(r.message)},
                 {QStringLiteral("title"),
                  r.hasMessage() ? TextOrNull(r.title) : QJsonValue(QJsonValue::Null)},
                 {QStringLiteral("focus"), r.focus}});
    return ExitOk;
}

int CmdMeasure(const QStringList& argv) {
    const Args args(argv,
                    {QStringLiteral("controller"), QStringLiteral("method"),
                     QStringLiteral("parenthesis"), QStringLiteral("repetition"),
                     QStringLiteral("dot"), QStringLiteral("interval"), QStringLiteral("revision"),
                     QStringLiteral("width"), QStringLiteral("db")});
    const Controller controller = ControllerOf(args);
    const LengthInputs in = ReadLengthInputs(args);
    std::int32_t width = args.intValue(QStringLiteral("width"), 0, kInt32Min, kInt32Max);
    const QString text = args.text();
    marking::controllers::LengthResult r;
    switch (controller) {
    case Controller::TRX20:
        r = marking::trx20::MeasureLength(text, in, width);
        break;
    case Controller::TRX30:
        r = marking::trx30::MeasureLength(text, in, width);
        break;
    case Controller::HVL5: {
        QString error;
        const auto table = LoadTable(args, error);
        if (!table) {
            return DataError(error);
        }
        r = marking::hvl5::MeasureLength(text, in, *table, width);
        break;
    }
    }
    if (!std::isfinite(r.length)) {
        return DataError(
            QStringLiteral("마킹 길이를 계산할 수 없습니다 (결과가 유한한 수가 아님)."));
    }
    PrintFields({{QStringLiteral("length"), r.length},
                 {QStringLiteral("dots"), static_cast<qint64>(r.dots)}});
    return ExitOk;
}

int CmdConvert(const QStringList& argv) {
    const Args args(argv, {QStringLiteral("controller"), QStringLiteral("db")});
    const Controller controller = ControllerOf(args);
    const QString text = args.text();
    const auto converted = Convert(args, controller, text);
    if (!converted.ok) {
        return DataError(converted.error);
    }
    const auto encoded = marking::cp949::Encode(converted.text);
    if (!encoded.ok) {
        return DataError(encoded.errorText());
    }
    PrintFields({{QStringLiteral("text"), converted.text},
                 {QStringLiteral("hex"), marking::cp949::Hex(encoded.bytes)}});
    return ExitOk;
}

int CmdFrame(const QStringList& argv) {
    const Args args(argv, {QStringLiteral("controller"), QStringLiteral("db")});
    const Controller controller = ControllerOf(args);
    const QString text = args.text();
    const auto converted = Convert(args, controller, text);
    if (!converted.ok) {
        return DataError(converted.error);
    }
    marking::controllers::FrameResult frame;
    switch (controller) {
    case Controller::TRX20:
        frame = marking::trx20::BuildFrame(converted.text);
        break;
    case Controller::TRX30:
        frame = marking::trx30::BuildFrame(converted.text);
        break;
    case Controller::HVL5:
        frame = marking::hvl5::BuildFrame(converted.text);
        break;
    }
    if (!frame.ok) {
        return DataError(frame.error);
    }
    PrintFields({{QStringLiteral("hex"), marking::cp949::Hex(frame.bytes)}});
    return ExitOk;
}

int CmdExpand(const QStringList& argv) {
    const Args args(argv,
                    {QStringLiteral("controller"), QStringLiteral("length"),
                     QStringLiteral("repetition"), QStringLiteral("parenthesis"),
                     QStringLiteral("pipe-side"), QStringLiteral("dot"), QStringLiteral("interval"),
                     QStringLiteral("revision"), QStringLiteral("width"), QStringLiteral("db")});
    const Controller controller = ControllerOf(args);
    marking::work::RepetitionWork work;
    work.length = QString::number(args.intValue(QStringLiteral("length"), kInt32Min, kInt32Max));
    work.repetition = QString::number(args.intValue(QStringLiteral("repetition"), 0, kInt16Max));
    work.parenthesis = static_cast<std::int16_t>(
        args.intValue(QStringLiteral("parenthesis"), kInt16Min, kInt16Max));
    marking::work::RepetitionSettings settings;
    settings.controller = controller == Controller::TRX20  ? marking::ControllerTRX20
                          : controller == Controller::HVL5 ? marking::ControllerHVL5
                                                           : marking::ControllerTRX30;
    settings.pipeSide = args.intValue(QStringLiteral("pipe-side"), kInt32Min, kInt32Max);
    settings.dotDimension = FiniteValue(args, QStringLiteral("dot"));
    settings.letterInterval = args.intValue(QStringLiteral("interval"), kInt32Min, kInt32Max);
    settings.revision = FiniteValue(args, QStringLiteral("revision"));
    std::int32_t width = args.intValue(QStringLiteral("width"), 0, kInt32Min, kInt32Max);
    work.data = args.text();

    marking::hvl5::SpecialLetterTable table;
    if (controller == Controller::HVL5) {
        QString error;
        auto loaded = LoadTable(args, error);
        if (!loaded) {
            return DataError(error);
        }
        table = std::move(*loaded);
    }
    const marking::work::RepetitionResult r =
        marking::work::CheckRepetition(work, settings, table, width);
    if (!r.ok) {
        return DataError(r.message);
    }
    PrintFields({{QStringLiteral("text"), r.text},
                 {QStringLiteral("length"), r.length},
                 {QStringLiteral("gap"), static_cast<qint64>(r.gap)}});
    return ExitOk;
}

} // namespace markingctl
