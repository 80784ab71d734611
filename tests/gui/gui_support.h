#pragma once
// Shared set-up of the GUI tests: a temporary folder per test with its own settings
// file ($VELTRANO_CONFIG), ini file and small experiment databases.
#include "config/rux_settings.h"
#include "db/connection.h"
#include "shell/dialog_hooks.h"
#include "shell/startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace vt::test {

class GuiSandbox {
public:
    GuiSandbox()
    {
        qputenv("VELTRANO_CONFIG", QFile::encodeName(path("rux.ini")));
        gui::DialogHooks::captureMessages(true);
        gui::DialogHooks::takeMessages();
    }

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
    // the method table and result tables with a row each.
    std::string database(const QString& name, const std::string& model = "RUX") const
    {
        const auto p = file(name);
        db::Connection c(p, db::Connection::Mode::ReadWriteCreate);
        c.executeScript("create table field_description (FL_ID int, site_description text);"
                        "insert into field_description values (1,'a'),(2,'b'),(3,'c');"
                        "create table site_state (FL_ID int, status int, res_VAL double);"
                        "insert into site_state values (1,1,0),(2,0,0);"
                        "create table rux_nresult (FL_ID int, year_ int, C_org double);"
                        "insert into rux_nresult values (1, 1990, 1.2);"
                        "create table rs_table (fl_id int, year int, M_IX int, meas double, sim double);"
                        "insert into rs_table values (1, 1990, 7, 1.1, 1.2);");
        if (!model.empty()) {
            c.execute("create table vtn_setting (model char(12))");
            c.execute("insert into vtn_setting values (?)", {db::Value(model)});
        }
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
};

} // namespace vt::test
