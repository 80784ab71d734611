#pragma once
// Shared set-up of the GUI tests: a temporary folder per test, also the working folder
// while the test runs, with its own settings file ($VELTRANO_CONFIG), ini file and
// small experiment databases.
#include "config/rux_settings.h"
#include "db/connection.h"
#include "db/schema.h"
#include "gui/widgets/dialog_hooks.h"
#include "gui/app/startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace vt::test {

class GuiSandbox {
public:
    GuiSandbox() : previousDir_(QDir::currentPath())
    {
        QDir::setCurrent(dir_.path());
        qputenv("VELTRANO_CONFIG", QFile::encodeName(path("rux.ini")));
        gui::DialogHooks::captureMessages(true);
        gui::DialogHooks::reset();
    }

    ~GuiSandbox() { QDir::setCurrent(previousDir_); }
    GuiSandbox(const GuiSandbox&) = delete;
    GuiSandbox& operator=(const GuiSandbox&) = delete;

    std::string folder() const { return dir_.path().toStdString(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    std::string file(const QString& name) const { return path(name).toStdString(); }

    void write(const QString& name, const QByteArray& text) const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }

    // A small experiment database: three plots, one of them without a site_state row,
    // a result row in each result table, and the given model method (none: no
    // vtn_setting table).
    std::string database(const QString& name, const std::string& model = "RUX") const
    {
        const auto p = file(name);
        db::Connection c(p, db::Connection::Mode::ReadWriteCreate);
        db::create_schema(c);
        c.executeScript("insert into field_description (FL_ID, site_description) values (1,'a'),(2,'b'),(3,'c');"
                        "insert into site_state (FL_ID, status, res_val) values (1,1,0),(2,0,0);"
                        "insert into rux_nresult (fl_id, [year], year_num, c_org) values (1, 1990, 1, 1.2);"
                        "insert into rs_table (fl_id, [year], M_IX) values (1, 1990, 7);");
        if (model.empty())
            c.execute("drop table vtn_setting");
        else
            c.execute("update vtn_setting set model=?", {db::Value(model)});
        return p;
    }

    // Settings as a previous start left them.
    void settings(const std::string& database, const QByteArray& extra = {}) const
    {
        write("rux.ini", "[rux]\ndatabase=" + QByteArray::fromStdString(database) + "\nppath="
                             + QFile::encodeName(dir_.path()) + "\nmethode=RUX\nsoil_scheme=RBS\npf_wp=42\npf_fk=18\n"
                             "ptfmode=3\nrecalc_bat=1\n" + extra);
    }

    gui::StartupEnv env(const QStringList& args = {}) const
    {
        gui::StartupEnv e;
        e.iniPath = file("veltrano.ini");
        e.cwd = dir_.path().toStdString();
        for (const auto& a : args) e.args.push_back(a.toStdString());
        return e;
    }

    config::RuxSettings stored() const { return config::RuxSettings(file("rux.ini")); }

private:
    QTemporaryDir dir_;
    QString previousDir_;
};

} // namespace vt::test
