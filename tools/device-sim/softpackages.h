#pragma once

#include <QByteArray>

// The package list of a device's soft file: PACKAGES holds the count and
// PACKAGE_NAME_i, PACKAGE_VER_i, PACKAGE_DESC_i and PACKAGE_PRIORITY_i the
// fields of package i, numbered from 1. Lines are edited in place.
class SoftPackages
{
public:
    // `soft` without the package named `name`; the packages after it move
    // up by one and the count goes down. False, with `soft` unchanged, when
    // no package has that name.
    static bool remove(QByteArray& soft, const QByteArray& name);
};
