# The demo database: a small SQLite file with a few realistic tables and a
# private ODBC configuration naming it as the data source TABVALE_DEMO. It has
# no user_tables: the table chooser lists SQLite's own catalogue. Sourced,
# never run.

# create_demo_database DIR: writes DIR/demo.sqlite and DIR/odbc/{odbcinst,odbc}.ini.
create_demo_database() {
  local dir=$1 driver
  driver=$(dpkg -L libsqliteodbc 2>/dev/null | grep '/libsqlite3odbc\.so$' | head -n1)
  [[ -n $driver ]] || driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
  if [[ ! -e $driver ]]; then
    say "The SQLite ODBC driver (Debian package libsqliteodbc) is not installed."
    return 1
  fi
  install -d -m 755 "$dir" "$dir/odbc"
  rm -f "$dir/demo.sqlite"
  sqlite3 -bail "$dir/demo.sqlite" <<'SQL'
PRAGMA foreign_keys = ON;
BEGIN;
CREATE TABLE Customers (
  CustomerID INTEGER PRIMARY KEY,
  Company TEXT NOT NULL,
  Contact TEXT,
  City TEXT,
  Country TEXT,
  Phone TEXT,
  Since DATE
);
INSERT INTO Customers VALUES
  (1, 'Alfreds Futterkiste', 'Maria Anders', 'Berlin', 'Germany', '030-0074321', '2019-03-14'),
  (2, 'Bólido Comidas preparadas', 'Martín Sommer', 'Madrid', 'Spain', '(91) 555 22 82', '2020-07-01'),
  (3, 'Du monde entier', 'Janine Labrune', 'Nantes', 'France', '40.67.88.88', '2018-11-23'),
  (4, 'Island Trading', 'Helen Bennett', 'Cowes', 'UK', '(198) 555-8888', '2021-01-05'),
  (5, 'Königlich Essen', 'Philip Cramer', 'Brandenburg', 'Germany', '0555-09876', '2017-05-30'),
  (6, 'Wellington Importadora', 'Paula Parente', 'Resende', 'Brazil', NULL, '2022-02-17'),
  (7, 'Ottilies Käseladen', 'Henriette Pfalzheim', 'Köln', 'Germany', '0221-0644327', '2016-09-09'),
  (8, 'Wolski Zajazd', 'Zbyszek Piestrzeniewicz', 'Warszawa', 'Poland', '(26) 642-7012', '2023-04-12');

CREATE TABLE Products (
  ProductID INTEGER PRIMARY KEY,
  Name TEXT NOT NULL,
  Category TEXT,
  UnitPrice NUMERIC(10,2),
  InStock INTEGER,
  Discontinued INTEGER NOT NULL DEFAULT 0
);
INSERT INTO Products VALUES
  (1, 'Chai', 'Beverages', 18.00, 39, 0),
  (2, 'Chang', 'Beverages', 19.00, 17, 0),
  (3, 'Aniseed Syrup', 'Condiments', 10.00, 13, 0),
  (4, 'Chef Anton''s Cajun Seasoning', 'Condiments', 22.00, 53, 0),
  (5, 'Grandma''s Boysenberry Spread', 'Condiments', 25.00, 120, 0),
  (6, 'Mishi Kobe Niku', 'Meat/Poultry', 97.00, 29, 1),
  (7, 'Queso Cabrales', 'Dairy Products', 21.00, 22, 0),
  (8, 'Konbu', 'Seafood', 6.00, 24, 0),
  (9, 'Tofu', 'Produce', 23.25, 35, 0),
  (10, 'Pavlova', 'Confections', 17.45, 29, 0),
  (11, 'Gumbär Gummibärchen', 'Confections', 31.23, 15, 0),
  (12, 'Röd Kaviar', 'Seafood', 15.00, 101, 0);

CREATE TABLE Orders (
  OrderID INTEGER PRIMARY KEY,
  CustomerID INTEGER NOT NULL REFERENCES Customers(CustomerID),
  OrderDate DATE NOT NULL,
  ShippedDate DATE,
  Freight NUMERIC(10,2)
);
INSERT INTO Orders VALUES
  (10248, 5, '2024-07-04', '2024-07-16', 32.38),
  (10249, 1, '2024-07-05', '2024-07-10', 11.61),
  (10250, 7, '2024-07-08', '2024-07-12', 65.83),
  (10251, 3, '2024-07-08', '2024-07-15', 41.34),
  (10252, 2, '2024-07-09', '2024-07-11', 51.30),
  (10253, 4, '2024-07-10', '2024-07-16', 58.17),
  (10254, 8, '2024-07-11', NULL, 22.98),
  (10255, 6, '2024-07-12', NULL, 148.33);

CREATE TABLE "Order Details" (
  OrderID INTEGER NOT NULL REFERENCES Orders(OrderID),
  ProductID INTEGER NOT NULL REFERENCES Products(ProductID),
  Quantity INTEGER NOT NULL,
  Discount REAL NOT NULL DEFAULT 0,
  PRIMARY KEY (OrderID, ProductID)
);
INSERT INTO "Order Details" VALUES
  (10248, 7, 12, 0), (10248, 8, 10, 0), (10249, 9, 9, 0), (10249, 6, 40, 0),
  (10250, 3, 10, 0), (10250, 11, 35, 0.15), (10251, 12, 6, 0.05), (10251, 7, 15, 0.05),
  (10252, 2, 40, 0.05), (10252, 4, 25, 0.05), (10253, 10, 20, 0), (10253, 1, 42, 0),
  (10254, 5, 15, 0.15), (10255, 2, 20, 0), (10255, 12, 35, 0);
COMMIT;
SQL
  cat > "$dir/odbc/odbcinst.ini" <<INI
[SQLite3]
Description = SQLite3 ODBC driver
Driver = $driver
; Kept loaded once loaded: no reload per connection, and the sanitizer run
; can still name the driver for what it keeps until the process ends.
DontDLClose = 1
INI
  cat > "$dir/odbc/odbc.ini" <<INI
[TABVALE_DEMO]
Description = Tabvale demo database
Driver = SQLite3
Database = $dir/demo.sqlite
Timeout = 2000
INI
}
