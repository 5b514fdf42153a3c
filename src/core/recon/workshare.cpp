#include "workshare.h"

#include <QList>

#include <algorithm>
#include <cstdlib>

WorkShare::WorkShare(int part, int parts) : m_part(part), m_parts(std::max(parts, 1)) {}

std::optional<WorkShare> WorkShare::parse(const QString& text, QString* why)
{
    const QStringList parts = text.split(u'/');
    bool partOk = false;
    bool countOk = false;
    const int part = parts.size() == 2 ? parts[0].toInt(&partOk) : 0;
    const int count = parts.size() == 2 ? parts[1].toInt(&countOk) : 0;
    if (!partOk || !countOk || count < 1 || part < 0 || part >= count) {
        *why = QStringLiteral("a share is I/N with 0 <= I < N, not \"%1\"").arg(text);
        return std::nullopt;
    }
    return WorkShare(part, count);
}

std::optional<WorkShare> WorkShare::fromSlurmArray(QString* why)
{
    const QByteArray id = qgetenv("SLURM_ARRAY_TASK_ID");
    const QByteArray count = qgetenv("SLURM_ARRAY_TASK_COUNT");
    if (id.isEmpty() && count.isEmpty())
        return std::nullopt;
    const QString text =
        QStringLiteral("%1/%2").arg(QString::fromLatin1(id), QString::fromLatin1(count));
    const std::optional<WorkShare> share = parse(text, why);
    if (!share)
        *why = QStringLiteral("SLURM_ARRAY_TASK_ID/SLURM_ARRAY_TASK_COUNT = %1 is no share; an "
                              "array for cirvo-recon runs 0-(N-1)")
                   .arg(text);
    return share;
}

QList<WorkShare::Block> WorkShare::blocks(int sets, int slices, bool wholeSets) const
{
    QList<Block> out;
    if (sets <= 0 || slices <= 0)
        return out;
    const int roundRobin = wholeSets ? sets : sets / m_parts * m_parts;
    for (int set = m_part; set < roundRobin; set += m_parts)
        out.append({set, 0, slices});
    // The short round: its items in run order, cut into `parts` near-equal pieces.
    const qint64 items = qint64(sets - roundRobin) * slices;
    const qint64 from = items * m_part / m_parts;
    const qint64 to = items * (m_part + 1) / m_parts;
    for (qint64 i = from; i < to;) {
        const int set = roundRobin + int(i / slices);
        const int first = int(i % slices);
        const int end = int(std::min<qint64>(slices, first + (to - i)));
        out.append({set, first, end});
        i += end - first;
    }
    return out;
}
