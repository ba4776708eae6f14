-- Logins and tables of the private MariaDB test server. Names cover what
-- needs quoting: blanks, both quote characters, reserved words, non-Latin.
-- Written in MariaDB's own quoting (backticks): this session has no ANSI_QUOTES.

CREATE DATABASE tabvale CHARACTER SET utf8mb4;
-- Another database's tables are not the login's: never listed.
CREATE DATABASE elsewhere CHARACTER SET utf8mb4;

-- Logins reach the server over TCP through ODBC, so they are users at 127.0.0.1.
CREATE USER 'scott'@'127.0.0.1' IDENTIFIED BY 'tiger';
GRANT ALL ON tabvale.* TO 'scott'@'127.0.0.1';
GRANT ALL ON elsewhere.* TO 'scott'@'127.0.0.1';
CREATE USER 'odd'@'127.0.0.1' IDENTIFIED BY 'pa;ss "word';
GRANT ALL ON tabvale.* TO 'odd'@'127.0.0.1';
-- A second session of the tests, changing rows behind the program's back.
CREATE USER 'other'@'127.0.0.1' IDENTIFIED BY 'other';
GRANT ALL ON tabvale.* TO 'other'@'127.0.0.1';

USE tabvale;
CREATE TABLE `Invoices 2026` (
  id INT PRIMARY KEY,
  customer VARCHAR(40),
  amount DECIMAL(9, 2),
  due DATE,
  note TEXT
) ENGINE = InnoDB;
INSERT INTO `Invoices 2026` VALUES
  (1, 'Łukasz Żółć', 99.99, '2026-01-31', NULL),
  (2, 'Ελένη', 1250.50, '2026-02-28', ''),
  (3, '山田太郎', NULL, NULL, 'paid');
CREATE TABLE `Order Lines` (item VARCHAR(20), qty INT) ENGINE = InnoDB;
INSERT INTO `Order Lines` VALUES ('Widget', 3), ('Widget', 3), ('Gadget', 1);
CREATE TABLE `say "hi"` (greeting VARCHAR(20)) ENGINE = InnoDB;
INSERT INTO `say "hi"` VALUES ('hello'), ('привет');
CREATE TABLE `it's` (`from` INT PRIMARY KEY, `order` VARCHAR(10), `Key "x"` VARCHAR(10)) ENGINE = InnoDB;
INSERT INTO `it's` VALUES (1, 'first', 'a'), (2, 'second', NULL);
-- Not a table: never listed.
CREATE VIEW invoice_names AS SELECT customer FROM `Invoices 2026`;

USE elsewhere;
CREATE TABLE not_mine (x INT);
