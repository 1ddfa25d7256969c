#include "platform/ui/utf8_limit.h"

#include "core/text_util.h"

#include <QLineEdit>
#include <QValidator>

namespace {

class Utf8LimitValidator : public QValidator {
public:
    Utf8LimitValidator(int limit_bytes, QObject* parent) : QValidator(parent), limit_bytes_(limit_bytes) {}

    // Text typed or pasted at the end is cut at the last whole character
    // that fits; in the middle it is refused, so nothing after it is lost.
    State validate(QString& input, int& pos) const override
    {
        QByteArray bytes = input.toUtf8();
        if (bytes.size() <= limit_bytes_)
            return Acceptable;
        if (pos < input.size())
            return Invalid;
        size_t keep = utf8_cut_length(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                                      static_cast<size_t>(limit_bytes_));
        input = QString::fromUtf8(bytes.constData(), static_cast<qsizetype>(keep));
        pos = std::min(pos, static_cast<int>(input.size()));
        return Acceptable;
    }

private:
    int limit_bytes_ = 0;
};

} // namespace

void limit_utf8_bytes(QLineEdit* edit, int limit_bytes)
{
    edit->setMaxLength(limit_bytes);
    edit->setValidator(new Utf8LimitValidator(limit_bytes, edit));
}
