# KEVORNC's datasets read back with xarray as a researcher reads them, and
# compared with the tables they were made of: every time, and every value
# of every column; the CF attributes on the way.
#   roundtrip.py TABLE [TABLE ...]     (each dataset is TABLE.nc)
import datetime
import sys

import numpy as np
import xarray

ORIGIN = datetime.date(2000, 1, 1)


def day_index(yymmdd):
    n = int(yymmdd)
    return (datetime.date(2000 + n // 10000, n // 100 % 100, n % 100) - ORIGIN).days


def day_of_year(index):
    return (ORIGIN + datetime.timedelta(days=index)).timetuple().tm_yday


def seconds(day, clock_seconds):
    return day * 86400.0 + clock_seconds


def line_time(kind, heads, fields):
    value = dict(zip(heads, fields))
    if kind == "daily":
        day = day_index(value["YYMMDD"])
        number = np.float32(value["DAY"])
        fraction = number - np.trunc(number)
        # A cycle of the last seconds of a day: the next day's date, its own day number.
        if fraction >= np.float32(0.999) and np.trunc(number) == day_of_year(day - 1):
            day -= 1
        return day * 86400.0 + float(fraction) * 86400.0
    if kind == "basic":
        clock = int(value["hhnnss"])
        return seconds(day_index(value["yymmdd"]), clock // 10000 * 3600 + clock // 100 % 100 * 60 + clock % 100)
    if heads[0] == "yyyy-mm-dd hh:nn":
        when = datetime.datetime.strptime(fields[0], "%Y-%m-%d %H:%M")
        return (when - datetime.datetime(2000, 1, 1)).total_seconds()
    clock = int(value["HHMM"])
    return seconds(day_index(value["YYMMDD"]), clock // 100 * 3600 + clock % 100 * 60)


def column(rows, index, dtype):
    if np.issubdtype(dtype, np.integer):
        return np.array([int(float(r[index])) for r in rows], dtype=dtype)
    return np.array([np.float32(r[index]) for r in rows], dtype=np.float32)


def check_cf(ds, raw, kind):
    assert ds.attrs["Conventions"] == "CF-1.8"
    time = raw["time"].attrs
    assert time["standard_name"] == "time" and time["calendar"] == "standard"
    assert time["units"] == "seconds since 2000-01-01 00:00:00"
    if "air_temperature" in ds:
        t = ds["air_temperature"].attrs
        assert t["standard_name"] == "air_temperature" and t["units"] == "degree_Celsius"
        assert ds["air_pressure"].attrs["units"] == "hPa"
    if "diameter" in ds:
        bounds = ds[ds["diameter"].attrs["bounds"]].values
        assert ds["diameter"].attrs["units"] == "nm" and bounds.shape == (10, 2)
        assert (bounds[1:, 0] == bounds[:-1, 1]).all()
        assert ((bounds[:, 0] < ds["diameter"].values) & (ds["diameter"].values < bounds[:, 1])).all()
        long_name = ds["positive_ions_by_diameter"].attrs["long_name"]
        assert ("dN/dlog10(d) / 8" in long_name) == (kind == "fraction"), long_name
    if "mobility" in ds:
        assert ds["mobility"].attrs["units"] == "cm2 V-1 s-1"


def check(table):
    with open(table, encoding="latin-1", newline="") as f:
        lines = f.read().split("\r\n")[:-1]
    heads = lines[2].split("\t")
    rows = [line.split("\t") for line in lines[3:]]
    kind = ("fraction" if lines[1][0] == "1" else "normal") if lines[0].startswith("Fract\t") else \
        "basic" if heads[0] == "yymmdd" else "daily"
    time_column = kind in ("normal", "fraction")

    raw = xarray.open_dataset(table + ".nc", decode_times=False)
    expected = np.array([line_time(kind, heads, fields) for fields in rows])
    assert np.array_equal(raw["time"].values, expected), "times differ"
    ds = xarray.open_dataset(table + ".nc")
    first = np.datetime64(datetime.datetime(2000, 1, 1)) + np.timedelta64(int(round(expected[0] * 1e6)), "us")
    assert abs(ds["time"].values[0] - first) < np.timedelta64(1, "us"), (ds["time"].values[0], first)
    check_cf(ds, raw, kind)

    seen = {0} if time_column else set()
    for name, variable in ds.data_vars.items():
        if "_bounds" in name:
            continue
        if "column_title" in variable.attrs:
            titles, values = [variable.attrs["column_title"]], variable.values[:, None]
        else:
            titles, values = variable.attrs["column_titles"].split(" "), variable.values
        for k, title in enumerate(titles):
            if title not in heads:
                assert np.isnan(values[:, k]).all(), (name, title)
                continue
            index = heads.index(title)
            seen.add(index)
            want = column(rows, index, variable.dtype)
            assert np.array_equal(values[:, k], want), (name, title)
    missing = [heads[i] for i in range(len(heads)) if i not in seen and heads[i] not in heads[:i]]
    assert not missing, ("columns not in the dataset", missing)
    print("ok", table, len(rows), "lines", len(ds.data_vars), "variables")


for path in sys.argv[1:]:
    check(path)
