#pragma once
// Whole files as bytes, for tests that check or prepare exact layouts.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace filebytes {

inline QByteArray read(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void write(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace filebytes
